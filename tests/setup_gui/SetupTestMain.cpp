// One QApplication for every installer test, on the offscreen platform unless told otherwise.
#include <QApplication>
#include <QFont>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // QR_FONT_SCALE=1.5 runs the tests under a desktop font half as large again.
    if (const char* scale = std::getenv("QR_FONT_SCALE"); scale && std::atof(scale) > 0) {
        QFont font = QApplication::font();
        font.setPointSizeF(font.pointSizeF() * std::atof(scale));
        QApplication::setFont(font);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
