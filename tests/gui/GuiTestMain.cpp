// One QApplication for every GUI test, on the offscreen platform unless told otherwise.
// QR_FONT_SCALE=1.5 runs them all under a desktop font half as large again. The tests
// measure the font the windows are laid out for (DejaVu Sans, from fonts-dejavu-core),
// whatever the machine's default: it is pinned when installed.
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (QFontDatabase::families().contains("DejaVu Sans")) {
        QFont font = QApplication::font();
        font.setFamily("DejaVu Sans");
        QApplication::setFont(font);
    }
    if (const char* scale = std::getenv("QR_FONT_SCALE"); scale && std::atof(scale) > 0) {
        QFont font = QApplication::font();
        font.setPointSizeF(font.pointSizeF() * std::atof(scale));
        QApplication::setFont(font);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
