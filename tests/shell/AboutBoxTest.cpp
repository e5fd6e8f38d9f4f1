// The About window names the version, every library with its licence, and the published sources
// of the scattering tables, the same ones the shipped table's header cites.
#include "AboutBox.h"

#include "MainWindow.h"
#include "Resources.h"
#include "ShellTestSupport.h"
#include "Versions.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTextBrowser>

namespace {

class AboutBoxTest : public ShellTest {
protected:
    // Everything the About window shows, over all its tabs.
    static QString AllText(const AboutBox* box)
    {
        QString text;
        for (const QLabel* label : box->findChildren<QLabel*>())
            text += label->text() + QLatin1Char('\n');
        for (const QTextBrowser* page : box->findChildren<QTextBrowser*>())
            text += page->toPlainText() + QLatin1Char('\n');
        return text;
    }
    AboutBox* OpenAbout()
    {
        MainWindow* w = Start();
        if (!w || !FindCommand(w, "abou"))
            return nullptr;
        FindCommand(w, "abou")->trigger();
        Settle();
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<AboutBox*>(top); box && box->isVisible())
                return box;
        return nullptr;
    }
};

TEST_F(AboutBoxTest, NamesTheVersionAndEveryLibraryWithItsLicence)
{
    AboutBox* box = OpenAbout();
    ASSERT_TRUE(box);
    const QString text = AllText(box);
    EXPECT_TRUE(text.contains(QStringLiteral("Velmora 5.0.1"))) << text.toStdString();
    EXPECT_EQ(QString::fromLatin1(gProgramVersion), QStringLiteral("5.0.1"));
    EXPECT_TRUE(text.contains(QString::fromLatin1(qVersion())));
    const struct {
        const char* library;
        const char* licence;
    } rows[] = {
        {"Qt", "LGPL-3.0"}, {"gemmi", "MPL-2.0"}, {"xylib", "LGPL-2.1"}, {"CLI11", "BSD-3-Clause"}, {"TBB", "Apache-2.0"},
    };
    for (const auto& r : rows) {
        EXPECT_TRUE(text.contains(QLatin1String(r.library))) << r.library;
        EXPECT_TRUE(text.contains(QLatin1String(r.licence))) << r.library << " " << r.licence;
    }
}

TEST_F(AboutBoxTest, NamesTheSourcesOfTheScatteringTablesTheShippedTableCites)
{
    AboutBox* box = OpenAbout();
    ASSERT_TRUE(box);
    const QString text = AllText(box);
    QFile table(QString::fromStdString(FindResourceFile("ASF.dat")));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    const QString header = QString::fromUtf8(table.read(2000));
    for (const char* source : {"International Tables for Crystallography", "Vol. C (1992)", "Table 6.1.1.4", "Sears",
                               "Neutron News 3 (1992)"}) {
        EXPECT_TRUE(header.contains(QLatin1String(source))) << "ASF.dat does not cite " << source;
        EXPECT_TRUE(text.contains(QLatin1String(source))) << "About does not cite " << source;
    }
    // The anomalous terms are computed, not tabulated: the About window names the calculation.
    EXPECT_TRUE(text.contains(QStringLiteral("Cromer–Liberman")));
    EXPECT_TRUE(text.contains(QStringLiteral("Acta Cryst. A37 (1981) 267")));
}

}  // namespace
