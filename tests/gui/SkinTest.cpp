// The skin's controls judged by what they draw and do: pixels of grabbed widgets,
// the folder box's chooser and the mode buttons of the window.
#include "skin/Skin.h"
#include "GuiDriver.h"
#include "PanelTree.h"
#include "skin/AnimatedPicture.h"
#include "skin/BrowseForFolder.h"
#include "skin/FolderEdit.h"
#include "skin/ImageButton.h"
#include "skin/ModeButton.h"
#include "skin/TextProgress.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <climits>
#include <fstream>
#include <gtest/gtest.h>

namespace qr::test {
namespace {

namespace item = app::item;

const QColor kBar(0, 0, 255);
const QColor kBack(255, 255, 255);
const QColor kParent(255, 0, 255);

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// How many pixels of `area` have exactly this colour.
int count(const QImage& image, const QRect& area, const QColor& colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

QPixmap solid(QSize size, const QColor& colour) {
    QPixmap p(size);
    p.fill(colour);
    return p;
}

// A bar on a magenta parent, with plain colours so pixels can be told apart.
struct BarOnParent {
    QWidget parent;
    gui::TextProgress* bar;
    explicit BarOnParent(QSize size = {200, 20}) {
        parent.resize(size + QSize(20, 20));
        parent.setAutoFillBackground(true);
        QPalette p = parent.palette();
        p.setColor(QPalette::Window, kParent);
        parent.setPalette(p);
        bar = new gui::TextProgress(&parent);
        bar->setGeometry(QRect(QPoint(10, 10), size));
        bar->setBarColour(kBar);
        bar->setBackColour(kBack);
    }
    QImage grab() { return bar->grab().toImage(); }
    QImage grabParent() { return parent.grab().toImage(); }
};

TEST(TextProgress, EmptyRangeDrawsNothingAndOtherRangesFillTheirFraction) {
    BarOnParent b;
    b.bar->setRange(0, 0);
    QImage nothing = b.grabParent();
    EXPECT_EQ(count(nothing, QRect(10, 10, 200, 20), kParent), 200 * 20);
    b.bar->setRange(5, 5);
    b.bar->setPos(5);
    EXPECT_EQ(count(b.grabParent(), QRect(10, 10, 200, 20), kParent), 200 * 20);

    b.bar->showText(false);
    b.bar->setRange(0, 100);
    b.bar->setPos(25);
    QImage quarter = b.grab();
    EXPECT_EQ(count(quarter, QRect(0, 0, 50, 20), kBar), 50 * 20);
    EXPECT_EQ(count(quarter, QRect(50, 0, 150, 20), kBack), 150 * 20);
    // Positions beyond the range draw a full or an empty bar, never past its edges.
    b.bar->setPos(1000);
    EXPECT_EQ(count(b.grab(), QRect(0, 0, 200, 20), kBar), 200 * 20);
    b.bar->setPos(-1000);
    EXPECT_EQ(count(b.grab(), QRect(0, 0, 200, 20), kBack), 200 * 20);
    // The widest range does not overflow.
    b.bar->setRange(INT_MIN, INT_MAX);
    b.bar->setPos(0);
    b.bar->showText(true);
    EXPECT_EQ(b.bar->shownText(), "50%");
}

TEST(TextProgress, TextIsThePercentOrItsOwnDrawnInvertedOverTheBar) {
    BarOnParent b;
    b.bar->setRange(0, 40);
    b.bar->setPos(40);
    EXPECT_EQ(b.bar->shownText(), "100%");
    b.bar->setText("Removed 3 / 9");
    EXPECT_EQ(b.bar->shownText(), "Removed 3 / 9");
    b.bar->setText("");
    EXPECT_EQ(b.bar->shownText(), "100%");
    b.bar->setPos(13);
    EXPECT_EQ(b.bar->shownText(), "32%"); // 32.5 cut to an integer

    // Half full with a long text across the middle: over the bar it is drawn in the
    // back colour, over the rest in the bar colour.
    b.bar->setPos(20);
    b.bar->setText("MMMMMMMMMMMMMMMMMMMM");
    QImage withText = b.grab();
    const QRect filled(0, 0, 100, 20), empty(100, 0, 100, 20);
    EXPECT_GT(count(withText, filled, kBack), 0);
    EXPECT_GT(count(withText, empty, kBar), 0);
    b.bar->showText(false);
    QImage plain = b.grab();
    EXPECT_EQ(count(plain, filled, kBar), 100 * 20);
    EXPECT_EQ(count(plain, empty, kBack), 100 * 20);
    EXPECT_EQ(b.bar->shownText(), "");
}

TEST(TextProgress, VerticalBarFillsFromTheBottomWithoutText) {
    BarOnParent b(QSize(20, 100));
    b.bar->setVertical(true);
    b.bar->setRange(0, 4);
    b.bar->setPos(1);
    EXPECT_EQ(b.bar->shownText(), "");
    QImage image = b.grab();
    EXPECT_EQ(count(image, QRect(0, 75, 20, 25), kBar), 20 * 25);
    EXPECT_EQ(count(image, QRect(0, 0, 20, 75), kBack), 20 * 75);
}

TEST(TextProgress, PositionCallsAnswerThePreviousValues) {
    gui::TextProgress bar;
    bar.resize(100, 10);
    bar.setRange(10, 60);
    std::pair<int, int> both;
    EXPECT_EQ(bar.range(true, &both), 10);
    EXPECT_EQ(bar.range(false), 60);
    EXPECT_EQ(both, std::make_pair(10, 60));
    EXPECT_EQ(bar.setPos(20), 0);
    EXPECT_EQ(bar.deltaPos(5), 20);
    EXPECT_EQ(bar.setStep(10), 1);
    EXPECT_EQ(bar.stepIt(), 25);
    EXPECT_EQ(bar.pos(), 35);
    EXPECT_EQ(bar.setBarColour(Qt::red), QColor()); // unset: the default colour
    EXPECT_EQ(bar.setBarColour(Qt::green), QColor(Qt::red));
}

struct ButtonImages {
    QPixmap normal = solid({40, 20}, Qt::red);
    QPixmap pressed = solid({40, 20}, Qt::green);
    QPixmap disabled = solid({40, 20}, Qt::blue);
};

TEST(ImageButton, OneImageIsShownPressedAndDisabledAndThreeSwitch) {
    ButtonImages img;
    gui::ImageButton button("");
    button.setImages(img.normal);
    EXPECT_EQ(button.size(), QSize(40, 20)); // the button takes the image's size
    auto centre = [&] { return pixel(button.grab().toImage(), 20, 10); };
    EXPECT_EQ(centre(), QColor(Qt::red));
    button.setDown(true);
    EXPECT_EQ(centre(), QColor(Qt::red));
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(centre(), QColor(Qt::red));

    button.setImages(img.normal, img.pressed, img.disabled);
    EXPECT_EQ(centre(), QColor(Qt::blue));
    button.setEnabled(true);
    EXPECT_EQ(centre(), QColor(Qt::red));
    button.setDown(true);
    EXPECT_EQ(centre(), QColor(Qt::green));

    // Two images: disabled falls back to the normal one.
    button.setDown(false);
    button.setImages(img.normal, img.pressed);
    button.setEnabled(false);
    EXPECT_EQ(centre(), QColor(Qt::red));
}

TEST(ImageButton, CaptionUsesItsColoursAndPosition) {
    gui::ImageButton button("MMMM");
    button.setImages(solid({80, 24}, Qt::black));
    QImage white = button.grab().toImage();
    EXPECT_GT(count(white, white.rect(), Qt::white), 0); // white by default
    button.setCaptionColours(Qt::yellow, Qt::cyan);
    button.setEnabled(false);
    QImage disabled = button.grab().toImage();
    EXPECT_GT(count(disabled, disabled.rect(), Qt::cyan), 0);
    EXPECT_EQ(count(disabled, disabled.rect(), Qt::yellow), 0);
    button.setEnabled(true);
    button.setCaptionPosition(QPoint(50, 0));
    QImage moved = button.grab().toImage();
    EXPECT_EQ(count(moved, QRect(0, 0, 50, 24), Qt::yellow), 0);
    EXPECT_GT(count(moved, QRect(50, 0, 30, 24), Qt::yellow), 0);
}

// A file that is not a picture at all.
std::string garbageFile(const TempDir& dir) {
    std::string path = (dir.path() / "garbage.png").string();
    std::ofstream(path) << "GIF89a this is not a picture \x01\x02\x03";
    return path;
}

TEST(MissingImages, ControlsFallBackToTheirPlainLook) {
    TempDir dir;
    const QString garbage = QString::fromStdString(garbageFile(dir));
    const QString missing = QString::fromStdString((dir.path() / "none.png").string());

    QPushButton plain("&Retry");
    plain.resize(96, 28);
    for (const QString& file : {missing, garbage}) {
        gui::ImageButton button("&Retry");
        button.resize(96, 28);
        button.setImages(file, file, file);
        EXPECT_EQ(button.imageCount(), 0);
        EXPECT_EQ(button.grab().toImage(), plain.grab().toImage());
    }
    // A pressed image without a normal one counts for nothing either.
    gui::ImageButton half("x");
    half.setImages(missing, ":/images/button_down.png");
    EXPECT_EQ(half.imageCount(), 0);

    QDialog plainDialog;
    plainDialog.resize(60, 40);
    const QImage expected = plainDialog.grab().toImage();
    gui::PictureDialog picture;
    picture.resize(60, 40);
    EXPECT_FALSE(picture.setBackground(garbage));
    EXPECT_EQ(picture.grab().toImage(), expected);
    gui::SkinnedDialog skinned(nullptr, "no-such-image");
    skinned.resize(60, 40);
    EXPECT_FALSE(skinned.setBackground(missing));
    EXPECT_EQ(skinned.grab().toImage(), expected);

    gui::AnimatedPicture animation;
    animation.resize(48, 48);
    EXPECT_FALSE(animation.loadFile(garbage));
    EXPECT_FALSE(animation.load("missing"));
    animation.draw();
    EXPECT_FALSE(animation.running());
    EXPECT_EQ(animation.frameCount(), 0);
}

TEST(PictureDialog, TilesCentresOrStretchesItsPicture) {
    // 10 x 10: red top-left pixel, green elsewhere.
    QImage tile(10, 10, QImage::Format_RGB32);
    tile.fill(Qt::green);
    tile.setPixelColor(0, 0, Qt::red);
    gui::PictureDialog dialog;
    dialog.setFixedSize(25, 25);
    ASSERT_TRUE(dialog.setBackground(QPixmap::fromImage(tile)));
    EXPECT_EQ(dialog.mode(), gui::PictureDialog::Tile);
    QImage tiled = dialog.grab().toImage();
    for (QPoint p : {QPoint(0, 0), QPoint(10, 0), QPoint(20, 20), QPoint(0, 10)})
        EXPECT_EQ(pixel(tiled, p.x(), p.y()), QColor(Qt::red)) << p.x() << "," << p.y();
    EXPECT_EQ(pixel(tiled, 5, 5), QColor(Qt::green));

    ASSERT_TRUE(dialog.setMode(gui::PictureDialog::Centre));
    dialog.setFixedSize(30, 30);
    QImage centred = dialog.grab().toImage();
    EXPECT_EQ(pixel(centred, 10, 10), QColor(Qt::red)); // the picture's corner at (10, 10)
    EXPECT_EQ(pixel(centred, 15, 15), QColor(Qt::green));
    EXPECT_EQ(pixel(centred, 0, 0), QDialog().palette().color(QPalette::Window));
    EXPECT_EQ(count(centred, centred.rect(), Qt::red), 1);

    // Left half red, right half blue, stretched over 40 x 40.
    QImage halves(2, 2, QImage::Format_RGB32);
    halves.fill(Qt::blue);
    halves.setPixelColor(0, 0, Qt::red);
    halves.setPixelColor(0, 1, Qt::red);
    ASSERT_TRUE(dialog.setBackground(QPixmap::fromImage(halves)));
    ASSERT_TRUE(dialog.setMode(gui::PictureDialog::Stretch));
    dialog.setFixedSize(40, 40);
    QImage stretched = dialog.grab().toImage();
    EXPECT_EQ(pixel(stretched, 2, 20), QColor(Qt::red));
    EXPECT_EQ(pixel(stretched, 37, 20), QColor(Qt::blue));
    EXPECT_FALSE(dialog.setMode(3));
    EXPECT_EQ(dialog.mode(), gui::PictureDialog::Stretch);
}

TEST(SkinnedDialog, BackgroundCoversTheClientAreaAgainAfterAResize) {
    gui::SkinnedDialog dialog(nullptr, "no-such-image");
    QImage halves(2, 1, QImage::Format_RGB32);
    halves.setPixelColor(0, 0, Qt::red);
    halves.setPixelColor(1, 0, Qt::blue);
    dialog.resize(40, 20);
    ASSERT_TRUE(dialog.setBackground(QPixmap::fromImage(halves)));
    EXPECT_EQ(dialog.backgroundSize(), QSize(2, 1));
    QImage small = dialog.grab().toImage();
    EXPECT_EQ(pixel(small, 37, 10), QColor(Qt::blue));
    dialog.resize(80, 30);
    QImage large = dialog.grab().toImage();
    EXPECT_EQ(pixel(large, 10, 25), QColor(Qt::red));
    EXPECT_EQ(pixel(large, 78, 25), QColor(Qt::blue));
}

TEST(ColourControls, ColoursShowAtOnce) {
    gui::ColourLabel label("");
    label.resize(40, 20);
    EXPECT_EQ(label.textColour(), QColor(Qt::black));
    EXPECT_EQ(label.backColour(), label.palette().color(QPalette::Button));
    label.setBackColour(QColor(0xd7, 0xd7, 0xd7));
    EXPECT_EQ(pixel(label.grab().toImage(), 20, 10), QColor(0xd7, 0xd7, 0xd7));
    gui::ColourEdit edit;
    edit.resize(80, 24);
    edit.setBackColour(Qt::yellow);
    edit.setTextColour(QColor(0, 0, 0x7f));
    edit.setText("WWWW");
    QImage image = edit.grab().toImage();
    EXPECT_GT(count(image, image.rect(), Qt::yellow), 80 * 24 / 2);
    EXPECT_GT(count(image, image.rect(), QColor(0, 0, 0x7f)), 0);
}

TEST(FolderEdit, BrowseButtonSitsBesideTheBoxAndReportsTheFolderEveryTime) {
    QWidget parent;
    parent.resize(500, 100);
    auto* edit = new gui::FolderEdit(&parent);
    edit->setGeometry(20, 40, 300, 40);
    edit->attach(false, "Please specify a folder for Copying...");
    parent.show();
    gui::BrowseButton* button = edit->browseButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "&Browse");
    EXPECT_EQ(button->geometry().left(), 321); // one pixel after the box
    EXPECT_EQ(button->geometry().top(), 40);
    EXPECT_EQ(button->geometry().height(), 40);
    EXPECT_GE(button->width(), 40 * 8 / 10 + 25);
    EXPECT_GE(button->width(), button->sizeHint().width()); // the caption is not cut
    edit->move(10, 5);
    EXPECT_EQ(button->geometry().topLeft(), QPoint(311, 5));
    edit->hide();
    EXPECT_FALSE(button->isVisibleTo(&parent));
    edit->show();

    QString seenStart, seenTitle;
    bool answer = true;
    edit->setChooser([&](QString& folder, QWidget*, bool oldStyle, const QString& title) {
        seenStart = folder;
        seenTitle = title;
        EXPECT_FALSE(oldStyle);
        if (answer)
            folder = "/media/backup";
        return answer;
    });
    QSignalSpy browsed(edit, &gui::FolderEdit::folderBrowsed);
    edit->setText("/home");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(seenStart, "/home");
    EXPECT_EQ(seenTitle, "Please specify a folder for Copying...");
    EXPECT_EQ(edit->text(), "/media/backup");
    ASSERT_EQ(browsed.count(), 1);
    EXPECT_EQ(browsed.at(0).at(0).toString(), "/media/backup");
    // Cancelled: the box keeps its text and that text is still reported.
    answer = false;
    edit->setText("/typed/by/hand");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(edit->text(), "/typed/by/hand");
    ASSERT_EQ(browsed.count(), 2);
    EXPECT_EQ(browsed.at(1).at(0).toString(), "/typed/by/hand");
}

// Answers the next visible file dialog after checking it with `check`.
void acceptNextFileDialog(const std::function<void(QFileDialog&)>& check) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(top);
            if (!dialog || !dialog->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            check(*dialog);
            static_cast<QDialog*>(dialog)->accept();
            return;
        }
    });
    timer->start();
}

TEST(BrowseForFolder, BothStylesStartAtTheFolderAndAnswerIt) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "inner");
    const QString start = QString::fromStdString(dir.path().string());

    acceptNextFileDialog([&](QFileDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Select drive/folder for save recovery:");
        EXPECT_EQ(d.fileMode(), QFileDialog::Directory);
        EXPECT_EQ(d.directory().absolutePath(), start);
    });
    QString folder = start;
    ASSERT_TRUE(
        gui::browseForFolder(folder, nullptr, false, "Select drive/folder for save recovery:"));
    EXPECT_EQ(folder, start);

    // The old style: a file dialog whose name box holds "Junk"; the answer is the folder.
    acceptNextFileDialog([&](QFileDialog& d) {
        EXPECT_TRUE(d.testOption(QFileDialog::DontUseNativeDialog));
        auto* name = d.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), "Junk");
        d.setDirectory(start + "/inner");
        name->setText("Junk");
    });
    folder = start;
    ASSERT_TRUE(gui::browseForFolder(folder, nullptr, true, "Old"));
    EXPECT_EQ(folder, start + "/inner");

    auto* timer = new QTimer(qApp);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(top); d && d->isVisible())
                d->reject();
    });
    timer->start(200);
    folder = start;
    EXPECT_FALSE(gui::browseForFolder(folder, nullptr, false, "Cancelled"));
    EXPECT_EQ(folder, start);
    delete timer;
}

// A one-frame GIF (1 x 1).
const char kOneFrameGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9"
                            "\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02"
                            "\x02\x44\x01\x00;";

TEST(AnimatedPicture, RunsThroughItsFramesAndStopsWhenDestroyed) {
    auto* picture = new gui::AnimatedPicture;
    picture->resize(48, 48);
    ASSERT_TRUE(picture->load("activity"));
    EXPECT_EQ(picture->frameCount(), 8);
    picture->show();
    picture->draw();
    EXPECT_TRUE(picture->running());
    const int first = picture->currentFrame();
    EXPECT_TRUE(QTest::qWaitFor([&] { return picture->currentFrame() != first; }, 3000));
    delete picture; // while running
    QTest::qWait(100);

    TempDir dir;
    const auto path = dir.path() / "one.gif";
    std::ofstream(path, std::ios::binary).write(kOneFrameGif, sizeof kOneFrameGif - 1);
    gui::AnimatedPicture still;
    still.resize(16, 16);
    ASSERT_TRUE(still.loadFile(QString::fromStdString(path.string())));
    EXPECT_EQ(still.frameCount(), 1);
    still.draw();
    EXPECT_FALSE(still.running());
}

TEST(ModeButton, PassingOverAdvancedChoosesItWithoutAClick) {
    GuiSession s;
    gui::MainWindow& w = *s.window;
    ASSERT_EQ(w.initialise(), app::StartupResult::Ready);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    clickRow(w.tree(item::kDiskTree), findRow(w.tree(item::kDiskTree), "Disk0"));
    auto* advanced = static_cast<QAbstractButton*>(w.item(item::kAdvancedMode));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(advanced, &enter);
    QApplication::processEvents();
    EXPECT_EQ(w.context().searchMode, app::kSearchAdvanced);
    EXPECT_TRUE(advanced->isChecked());
    EXPECT_FALSE(static_cast<QAbstractButton*>(w.item(item::kQuickMode))->isChecked());
    EXPECT_FALSE(static_cast<QAbstractButton*>(w.item(item::kRawMode))->isChecked());
    EXPECT_TRUE(w.item(item::kNext)->isEnabled());

    // A mouse move over Raw does the same; a disabled button is passed over.
    hover(w.item(item::kRawMode));
    EXPECT_EQ(w.context().searchMode, app::kSearchRaw);
    w.item(item::kQuickMode)->setEnabled(false);
    hover(w.item(item::kQuickMode));
    EXPECT_EQ(w.context().searchMode, app::kSearchRaw);
}

} // namespace
} // namespace qr::test
