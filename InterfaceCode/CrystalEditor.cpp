// The crystal editor sheet.
#include "CrystalEditor.h"

#include "MainWindow.h"
#include "SiteTableModel.h"
#include "Status.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const kFieldNames[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
const char* const kFieldLabels[6] = {"a", "b", "c", "α", "β", "γ"};

}  // namespace

CrystalEditor::CrystalEditor(MainWindow* window, EditCrystalPtr edit)
    : QDialog(window), window_(window), edit_(std::move(edit))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Edit Crystal"));
    setObjectName(QStringLiteral("EditCrystalDB"));
    setMinimumSize(kCrystalEditorMinWidth, kCrystalEditorMinHeight);

    // Children are owned by their Qt parent.
    auto* layout = new QVBoxLayout(this);
    auto* cell = new QGridLayout;
    const Float32 values[6] = {edit_->a, edit_->b, edit_->c, edit_->alpha, edit_->beta, edit_->gamma};
    for (int i = 0; i < 6; ++i) {
        auto* field = new QLineEdit(QString::fromStdString(FormatLatticeField(values[i])), this);
        field->setObjectName(QString::fromLatin1(kFieldNames[i]));
        field->setAlignment(Qt::AlignRight);
        field->setMaximumWidth(110);
        fields_[static_cast<std::size_t>(i)] = field;
        const int row = i / 3, column = (i % 3) * 3;
        cell->addWidget(new QLabel(QString::fromUtf8(kFieldLabels[i]), this), row, column, Qt::AlignRight);
        cell->addWidget(field, row, column + 1);
        cell->addWidget(new QLabel(i < 3 ? QStringLiteral("Å") : QStringLiteral("°"), this), row, column + 2);
    }
    cell->setColumnStretch(9, 1);
    layout->addLayout(cell);

    caption_ = new QLabel(edit_->hasEllipsoids ? tr("Atoms and Displacement Parameters for the Asymmetric Unit:")
                                               : tr("Atoms of the Asymmetric Unit:"),
                          this);
    layout->addWidget(caption_);

    model_ = new SiteTableModel(edit_.get(), this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("sites"));
    table_->setModel(model_);
    table_->setAlternatingRowColors(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(21);
    table_->setFont(SiteTableModel::TableFont());
    for (int c = 0; c < model_->columnCount(); ++c)
        if (const int width = EditCrystalColumnWidth(model_->ColumnAt(c)); width > 0)
            table_->setColumnWidth(c, width);
    table_->horizontalHeader()->setStretchLastSection(true);
    // Every column sorts; the rows open in the order of the asymmetric unit.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    layout->addWidget(table_, 1);
    // What the engine refuses or warns about in a typed occupancy is shown once the cell's
    // editor has closed.
    connect(model_, &SiteTableModel::caution, this, [](const QString& text) {
        QTimer::singleShot(0, [text] { MyCFCautionAlertText(text.toStdString()); });
    });

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->hide();
    layout->addWidget(problem_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CrystalEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(820, 420);
}

CrystalEditor::~CrystalEditor() = default;

QString CrystalEditor::Problem() const
{
    return problem_->isVisible() ? problem_->text() : QString();
}

void CrystalEditor::accept()
{
    Float32* values[6] = {&edit_->a, &edit_->b, &edit_->c, &edit_->alpha, &edit_->beta, &edit_->gamma};
    EditCrystalRec read = *edit_;
    Float32* readValues[6] = {&read.a, &read.b, &read.c, &read.alpha, &read.beta, &read.gamma};
    for (int i = 0; i < 6; ++i)
        *readValues[i] = ReadLatticeField(fields_[static_cast<std::size_t>(i)]->text().toStdString(), *values[i]);
    const std::string refusal = LatticeRefusal(read);
    if (!refusal.empty()) {
        problem_->setText(QString::fromStdString(refusal));
        problem_->show();
        return;
    }
    for (int i = 0; i < 6; ++i)
        *values[i] = *readValues[i];
    QDialog::accept();
    // One change of the document, undone as one step.
    window_->BeginDocumentEdit();
    DoEditCrystal(window_->Doc(), std::make_unique<EditCrystalRec>(*edit_));  // the table still reads edit_
    window_->EndDocumentEdit();
}

CrystalEditor* RequestEditCrystal(MainWindow* window)
{
    EditCrystalPtr edit = RequestEditCrystal(window->Doc());
    if (!edit)
        return nullptr;
    auto* editor = new CrystalEditor(window, std::move(edit));  // deletes itself when closed
    editor->open();
    return editor;
}
