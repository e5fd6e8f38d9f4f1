// Export Plot and Copy: the files open as what they claim to be (PNG of the chosen size, SVG that
// parses, PDF of one page), a PNG equals the command line's plot of the same document, a name
// without a plot extension is refused, and Copy puts an image and an SVG drawing on the clipboard.
#include "PlotTransfer.h"

#include "CommandTable.h"
#include "Globals.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

class PlotTransferTest : public ShellTest {
protected:
    // Export Plot chosen from the menu, the size and file answered in the user's place.
    void ExportFromMenu(MainWindow* w, QSize size, const QString& path)
    {
        dialogs.plotSizeAnswers.push_back(size);
        dialogs.saveAnswers.push_back(path);
        FindCommand(w, "xPlt")->trigger();
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The outer element of an SVG document and its size, when the bytes parse as XML to the end.
struct SvgHead {
    bool parsed = false;
    QString root;
    QString width, height;
};

SvgHead ParseSvg(const QByteArray& bytes)
{
    SvgHead head;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && head.root.isEmpty()) {
            head.root = xml.name().toString();
            head.width = xml.attributes().value(QStringLiteral("width")).toString();
            head.height = xml.attributes().value(QStringLiteral("height")).toString();
        }
    }
    head.parsed = !xml.hasError();
    return head;
}

int PdfPageCount(const QByteArray& bytes)
{
    static const QRegularExpression kPage(QStringLiteral("/Type\\s*/Page(?!s)"));
    int n = 0;
    for (auto it = kPage.globalMatch(QString::fromLatin1(bytes)); it.hasNext(); it.next())
        ++n;
    return n;
}

}  // namespace

TEST_F(PlotTransferTest, ExportedFilesOpenAsTheirFormat)
{
    MainWindow* w = StartWith("silicon.cif");
    ASSERT_TRUE(w);
    ExportFromMenu(w, QSize(640, 400), Path(QStringLiteral("plot.png")));
    ExportFromMenu(w, QSize(500, 300), Path(QStringLiteral("plot.svg")));
    ExportFromMenu(w, QSize(600, 350), Path(QStringLiteral("plot.pdf")));
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 0);

    const QImage png(Path(QStringLiteral("plot.png")));
    EXPECT_EQ(png.size(), QSize(640, 400));
    const SvgHead svg = ParseSvg(Read(Path(QStringLiteral("plot.svg"))));
    EXPECT_TRUE(svg.parsed);
    EXPECT_EQ(svg.root, QStringLiteral("svg"));
    EXPECT_TRUE(svg.width.startsWith(QStringLiteral("13")));  // 500 px at 96 dpi: 132.3 mm
    const QByteArray pdf = Read(Path(QStringLiteral("plot.pdf")));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(PdfPageCount(pdf), 1);
    // The save dialog proposed the document's name.
    ASSERT_FALSE(dialogs.saveProposals.isEmpty());
    EXPECT_EQ(dialogs.saveProposals.first(), QStringLiteral("silicon.png"));
}

TEST_F(PlotTransferTest, TheExportedImageIsTheCommandLinesPlot)
{
    MainWindow* w = StartWith("silicon.cif");
    ASSERT_TRUE(w);
    // The command line fits the intensity axis to the patterns at the file's size; the window
    // keeps the range it shows, which was fitted at the pane's drawing size. Fitted alike, the
    // two must draw the same picture.
    w->Pane()->RenderPending();
    const QSize size(720, 450);
    const QString mine = Path(QStringLiteral("window.png"));
    w->Doc()->autoScaleY = true;
    const bool exported = DoExportPlot(w, mine, size);
    w->Doc()->autoScaleY = false;
    ASSERT_TRUE(exported);

    const QString theirs = Path(QStringLiteral("cli.png"));
    QProcess cli;
    cli.start(QStringLiteral(VELMORA_CLI_BINARY),
              {QStringLiteral("simulate"), Example("silicon.cif"), QStringLiteral("--plot"), theirs,
               QStringLiteral("--width"), QString::number(size.width()), QStringLiteral("--height"),
               QString::number(size.height())});
    ASSERT_TRUE(cli.waitForFinished(60000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();

    const QImage a(mine), b(theirs);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32));
}

TEST_F(PlotTransferTest, ANameWithoutAPlotExtensionIsRefusedAndWritesNothing)
{
    MainWindow* w = StartWith("silicon.cif");
    ASSERT_TRUE(w);
    ExportFromMenu(w, QSize(640, 400), Path(QStringLiteral("plot.txt")));
    EXPECT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("plot.txt"))));
}

TEST_F(PlotTransferTest, CopyPutsAnImageAndAnSvgDrawingOnTheClipboard)
{
    MainWindow* w = StartWith("silicon.cif");
    ASSERT_TRUE(w);
    QApplication::clipboard()->clear();
    FindCommand(w, "copy")->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    ASSERT_TRUE(data->hasImage());
    const QImage image = qvariant_cast<QImage>(data->imageData());
    EXPECT_EQ(image.size(), w->Pane()->size() * w->devicePixelRatioF());
    const SvgHead svg = ParseSvg(data->data(QStringLiteral("image/svg+xml")));
    EXPECT_TRUE(svg.parsed);
    EXPECT_EQ(svg.root, QStringLiteral("svg"));
}

TEST_F(PlotTransferTest, ExportAndCopyNeedAPattern)
{
    MainWindow* w = Start();
    ASSERT_TRUE(w);
    ShowAllMenus(w);
    EXPECT_FALSE(FindCommand(w, "xPlt")->isEnabled());
    EXPECT_FALSE(FindCommand(w, "copy")->isEnabled());
    HideAllMenus(w);
}
