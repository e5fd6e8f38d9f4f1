// Standard dialogs and file filters.
#include "Dialogs.h"

#include "FileTypes.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>

namespace {

ShellDialogs gStandardDialogs;
ShellDialogs* gDialogs = &gStandardDialogs;

// The extensions the dialogs list, with the kind each stands for. Names are matched with their
// case, as the program reads them: "CIF" and "cif" are both offered, "TXT" is not.
struct PatternRec {
    const char* pattern;
    UInt32 code;
};
const PatternRec kPatterns[] = {
    {"*.obdf", FourCC("OBDF")}, {"*.obd5", FourCC("OBD5")},
    {"*.cif", kFileTypeCIF},    {"*.CIF", kFileTypeCIF},
    {"*.vlmf", kFileTypeVLMF},  {"*.vlms", kFileTypeVLMs},
    {"*.txt", kFileTypeTEXT},   {"*.dat", kFileTypeTEXT},   {"*.str", kFileTypeTEXT},   {"*.obtx", kFileTypeTEXT},
    {"*.xy", kFileTypeXYDT},    {"*.XY", kFileTypeXYDT},    {"*.xye", kFileTypeXYDT},   {"*.XYE", kFileTypeXYDT},
    {"*.raw", kFileTypeXYDT},   {"*.RAW", kFileTypeXYDT},   {"*.uxd", kFileTypeXYDT},   {"*.UXD", kFileTypeXYDT},
    {"*.xrdml", kFileTypeXYDT}, {"*.XRDML", kFileTypeXYDT}, {"*.rd", kFileTypeXYDT},    {"*.RD", kFileTypeXYDT},
    {"*.sd", kFileTypeXYDT},    {"*.SD", kFileTypeXYDT},    {"*.udf", kFileTypeXYDT},   {"*.UDF", kFileTypeXYDT},
    {"*.cpi", kFileTypeXYDT},   {"*.CPI", kFileTypeXYDT},   {"*.xdd", kFileTypeXYDT},   {"*.XDD", kFileTypeXYDT},
    {"*.dbw", kFileTypeXYDT},   {"*.DBW", kFileTypeXYDT},   {"*.rit", kFileTypeXYDT},   {"*.RIT", kFileTypeXYDT},
    {"*.neu", kFileTypeXYDT},   {"*.NEU", kFileTypeXYDT},   {"*.chi", kFileTypeXYDT},   {"*.CHI", kFileTypeXYDT},
    {"*.csv", kFileTypeXYDT},   {"*.CSV", kFileTypeXYDT},   {"*.tsv", kFileTypeXYDT},   {"*.TSV", kFileTypeXYDT},
};

QString Filter(const QString& title, const QStringList& patterns)
{
    return title + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QStringList Patterns(std::initializer_list<UInt32> codes)
{
    QStringList out;
    for (UInt32 code : codes)
        out += FilePatternsOfKind(code);
    return out;
}

QColor ToQColor(const RGBColor& c)
{
    return QColor::fromRgb(c.red >> 8, c.green >> 8, c.blue >> 8);
}

RGBColor FromQColor(const QColor& c)
{
    return RGBColor{static_cast<UInt16>(c.red() * 257), static_cast<UInt16>(c.green() * 257),
                    static_cast<UInt16>(c.blue() * 257)};
}

}  // namespace

QStringList FilePatternsOfKind(UInt32 code)
{
    QStringList out;
    for (const PatternRec& p : kPatterns)
        if (p.code == code)
            out << QString::fromLatin1(p.pattern);
    return out;
}

QStringList FileDialogFilters(FileFilter filter)
{
    const UInt32 obdf = FourCC("OBDF"), obd5 = FourCC("OBD5");
    const QString crystals = Filter(QObject::tr("Crystal files"), Patterns({obdf, obd5}));
    const QString cif = Filter(QObject::tr("CIF files"), Patterns({kFileTypeCIF}));
    const QString sessions = Filter(QObject::tr("Velmora sessions"), Patterns({kFileTypeVLMF, kFileTypeVLMs}));
    const QString text = Filter(QObject::tr("Observed data (text)"), Patterns({kFileTypeTEXT}));
    const QString measured = Filter(QObject::tr("Measured data (diffractometer formats)"), Patterns({kFileTypeXYDT}));
    const QString all = QObject::tr("All files (*)");
    switch (filter) {
    case FileFilter::Documents:
        return {Filter(QObject::tr("Everything Velmora opens"),
                       Patterns({obdf, obd5, kFileTypeCIF, kFileTypeVLMF, kFileTypeVLMs, kFileTypeTEXT, kFileTypeXYDT})),
                crystals, cif, sessions, text, measured, all};
    case FileFilter::AddFiles:
        return {Filter(QObject::tr("Crystals and measured data"),
                       Patterns({obdf, obd5, kFileTypeCIF, kFileTypeTEXT, kFileTypeXYDT})),
                crystals, cif, text, measured, all};
    case FileFilter::Session:
        return {Filter(QObject::tr("Velmora sessions"), {QStringLiteral("*.vlmf")}), all};
    case FileFilter::TextReport:
        return {Filter(QObject::tr("Text files"), {QStringLiteral("*.txt")}), all};
    case FileFilter::PlotImage:
        return {Filter(QObject::tr("PNG image"), {QStringLiteral("*.png")}),
                Filter(QObject::tr("SVG drawing"), {QStringLiteral("*.svg")}),
                Filter(QObject::tr("PDF document"), {QStringLiteral("*.pdf")})};
    }
    return {all};
}

QStringList ShellDialogs::OpenFiles(QWidget* parent, const QString& prompt, FileFilter filter)
{
    QFileDialog dialog(parent, prompt, lastFolder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(FileDialogFilters(filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty())
        lastFolder = QFileInfo(files.first()).absolutePath();
    return files;
}

QString WithoutDocumentExtension(const QString& name)
{
    for (const PatternRec& p : kPatterns) {
        const QString ext = QString::fromLatin1(p.pattern).mid(1);  // ".cif"
        if (name.size() > ext.size() && name.endsWith(ext))
            return name.left(name.size() - ext.size());
    }
    return name;
}

QString ShellDialogs::SaveDialogStart(const QString& proposal) const
{
    if (QFileInfo(proposal).isAbsolute())
        return proposal;
    QString folder = lastSaveFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(proposal);
}

QString ShellDialogs::SaveFile(QWidget* parent, const QString& prompt, const QString& proposal, FileFilter filter,
                               const QString& defaultSuffix)
{
    const QString start = SaveDialogStart(proposal);
    QFileDialog dialog(parent, prompt, start);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(FileDialogFilters(filter));
    dialog.setDefaultSuffix(defaultSuffix);
    // A name typed without an extension takes the one of the kind of file chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
        static const QRegularExpression kOne(QStringLiteral("\\(\\*\\.(\\w+)\\)$"));
        const QRegularExpressionMatch m = kOne.match(chosen);
        if (m.hasMatch())
            dialog.setDefaultSuffix(m.captured(1));
    });
    dialog.selectFile(QFileInfo(start).fileName());
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().first();
    lastSaveFolder = QFileInfo(path).absolutePath();
    return path;
}

SaveChangesAnswer ShellDialogs::AskSaveChanges(QWidget* parent, const QString& name)
{
    QMessageBox box(parent);
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Velmora"));
    box.setText(QObject::tr("Do you want to save the changes you made in “%1”?").arg(name));
    box.setInformativeText(QObject::tr("Your changes will be lost if you don't save them."));
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.button(QMessageBox::Discard)->setText(QObject::tr("Don't Save"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save: return SaveChangesAnswer::Save;
    case QMessageBox::Discard: return SaveChangesAnswer::DontSave;
    default: return SaveChangesAnswer::Cancel;
    }
}

RecoveryAnswer ShellDialogs::AskRecovery(QWidget* parent, const QStringList& names)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(QStringLiteral("Velmora"));
    box.setText(QObject::tr("Velmora did not end normally. Unsaved changes of %n document(s) can be restored.", nullptr,
                            static_cast<int>(names.size())));
    box.setInformativeText(names.join(QLatin1Char('\n')));
    QPushButton* restore = box.addButton(QObject::tr("Restore"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QObject::tr("Discard"), QMessageBox::DestructiveRole);
    box.addButton(QObject::tr("Keep for Later"), QMessageBox::RejectRole);
    box.setDefaultButton(restore);
    box.exec();
    if (box.clickedButton() == restore)
        return RecoveryAnswer::Restore;
    if (box.clickedButton() == discard)
        return RecoveryAnswer::Discard;
    return RecoveryAnswer::Keep;
}

bool ShellDialogs::Choice(QWidget* parent, const QString& text, const QString& confirm)
{
    QMessageBox box(parent ? parent : QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Velmora"));
    box.setText(text);
    QPushButton* yes = box.addButton(confirm, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

bool ShellDialogs::PickColour(QWidget* parent, const QString& prompt, RGBColor& colour)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(colour), parent, prompt);
    if (!chosen.isValid())
        return false;
    colour = FromQColor(chosen);
    return true;
}

bool ShellDialogs::PageSetup(QWidget* parent, QPrinter& printer)
{
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool ShellDialogs::Print(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dialog.exec() == QDialog::Accepted;
}

ShellDialogs& Dialogs()
{
    return *gDialogs;
}

void SetDialogs(ShellDialogs* dialogs)
{
    gDialogs = dialogs ? dialogs : &gStandardDialogs;
}

bool ShellDialogs::AskPlotSize(QWidget* parent, QSize& size)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Export Plot"));
    dialog.setWindowModality(Qt::WindowModal);
    auto* form = new QFormLayout(&dialog);  // children are owned by the dialog
    auto* width = new QSpinBox(&dialog);
    auto* height = new QSpinBox(&dialog);
    for (QSpinBox* box : {width, height}) {
        box->setSuffix(QObject::tr(" px"));
        box->setMaximum(8000);
    }
    width->setRange(100, 8000);
    height->setRange(60, 8000);
    width->setValue(size.width());
    height->setValue(size.height());
    form->addRow(QObject::tr("Width:"), width);
    form->addRow(QObject::tr("Height:"), height);
    auto* note = new QLabel(QObject::tr("The size of the pane on screen at first. A PDF page takes the numbers as "
                                        "points; the format follows the file name chosen next."),
                            &dialog);
    note->setWordWrap(true);
    form->addRow(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    size = QSize(width->value(), height->value());
    return true;
}
