// The About window.
#include "AboutBox.h"

#include "Resources.h"
#include "Versions.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtGlobal>

const std::vector<LibraryCredit>& LibraryCredits()
{
    static const std::vector<LibraryCredit> credits = {
        {"Qt 6", "windows, drawing, PNG, SVG and PDF output, printing, the update check",
         "GNU Lesser General Public License v3 (LGPL-3.0)", "https://www.qt.io/"},
        {"gemmi", "reading CIF files; the copies of the scattering tables; anomalous scattering",
         "Mozilla Public License 2.0 (MPL-2.0)", "https://github.com/project-gemmi/gemmi"},
        {"xylib", "reading diffractometer data files", "GNU Lesser General Public License v2.1 (LGPL-2.1)",
         "https://github.com/wojdyr/xylib"},
        {"CLI11", "the options of velmora-cli", "BSD 3-Clause License (BSD-3-Clause)",
         "https://github.com/CLIUtils/CLI11"},
        {"oneTBB", "simulating on several cores", "Apache License 2.0 (Apache-2.0)",
         "https://github.com/uxlfoundation/oneTBB"},
    };
    return credits;
}

const std::vector<TableSource>& ScatteringTableSources()
{
    static const std::vector<TableSource> sources = {
        {"X-ray form factors (four-Gaussian coefficients of the neutral atoms, H to Cf)",
         "International Tables for Crystallography, Vol. C (1992), Table 6.1.1.4",
         "ASF.dat, written from gemmi's copy of the table"},
        {"Neutron coherent scattering lengths",
         "V. F. Sears, Neutron scattering lengths and cross sections, Neutron News 3 (1992) 26–37",
         "ASF.dat, written from gemmi's copy of the table"},
        {"Anomalous scattering f′ and f″ (lithium to uranium)",
         "Cromer–Liberman calculation: D. T. Cromer and D. A. Liberman, Acta Cryst. A37 (1981) 267, with the "
         "corrections of L. Kissel and R. H. Pratt, Acta Cryst. A46 (1990) 170, after the routines of S. Brennan "
         "and P. L. Cowan, Rev. Sci. Instrum. 63 (1992) 850",
         "computed at the wavelength by gemmi's implementation"},
    };
    return sources;
}

namespace {

QTextBrowser* Page(QWidget* parent, const QString& html)
{
    auto* page = new QTextBrowser(parent);
    page->setOpenExternalLinks(true);
    page->setFrameShape(QFrame::NoFrame);
    page->setHtml(html);
    return page;
}

QString E(const char* text)
{
    return QString::fromUtf8(text).toHtmlEscaped();
}

QString LibrariesPage()
{
    QString html = QObject::tr("<p>Velmora is built with these libraries, each under its own licence:</p>");
    html += QStringLiteral("<table cellpadding=\"4\">");
    for (const LibraryCredit& c : LibraryCredits())
        html += QStringLiteral("<tr><td valign=\"top\"><b>%1</b></td><td>%2<br>%3<br><a href=\"%4\">%4</a></td></tr>")
                    .arg(E(c.name), E(c.use), E(c.licence), E(c.address));
    html += QStringLiteral("</table>");
    html += QObject::tr("<p>The Qt, xylib and oneTBB libraries are linked as shared libraries and can be "
                        "replaced by other builds of them.</p>");
    return html;
}

QString TablesPage()
{
    QString html;
    for (const TableSource& s : ScatteringTableSources())
        html += QStringLiteral("<p><b>%1</b><br>%2<br><i>%3</i></p>").arg(E(s.table), E(s.citation), E(s.through));
    return html;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About Velmora"));

    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const QString iconFile = QString::fromStdString(FindResourceFile("velmora.svg"));
    icon->setPixmap(QIcon(iconFile).pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    head->addWidget(icon);
    auto* title = new QLabel(this);
    title->setObjectName(QStringLiteral("AboutTitle"));
    title->setTextFormat(Qt::RichText);
    title->setText(tr("<h2>Velmora %1</h2><p>X-ray and neutron powder diffraction patterns from crystal "
                      "structures, beside measured patterns.</p><p>Built with Qt %2, running on Qt %3.</p>")
                       .arg(QString::fromLatin1(gProgramVersion), QStringLiteral(QT_VERSION_STR),
                            QString::fromLatin1(qVersion())));
    title->setWordWrap(true);
    head->addWidget(title, 1);

    tabs_ = new QTabWidget(this);
    tabs_->addTab(Page(tabs_, LibrariesPage()), tr("Libraries"));
    tabs_->addTab(Page(tabs_, TablesPage()), tr("Scattering Tables"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);
    resize(580, 560);
}
