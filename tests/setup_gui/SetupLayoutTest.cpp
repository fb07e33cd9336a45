// Every page and window of the installer at the desktop's font, at one half as large
// again and at a smaller one: texts show whole, no control runs over another or out
// of the window, and the pictures grow with the controls they frame. Under
// QT_SCALE_FACTOR=2 the same walk checks a dense screen.
#include "Artwork.h"
#include "Btn.h"
#include "Exit.h"
#include "Finish.h"
#include "First.h"
#include "InstallerHome.h"
#include "widgets/LayoutCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <algorithm>
#include <gtest/gtest.h>

using namespace qr::setupgui;

namespace {

class SetupLayout : public ::testing::TestWithParam<double>, protected qr::test::InstallerHome {
protected:
    void SetUp() override {
        font_ = QApplication::font();
        QFont font = font_;
        font.setPointSizeF(font_.pointSizeF() * GetParam());
        QApplication::setFont(font);
    }
    void TearDown() override { QApplication::setFont(font_); }

    // How much larger than the layout's own (9-point DejaVu Sans) the desktop's font
    // is; the windows never grow less, and never shrink.
    static double fontGrowth() {
        QFont layoutFont("DejaVu Sans");
        layoutFont.setPointSizeF(9);
        return std::max(1.0, QFontMetricsF(QApplication::font()).height() /
                                 QFontMetricsF(layoutFont).height());
    }

    void check(BkDialogST* window, QSize layoutSize, const std::string& name) {
        QApplication::processEvents();
        EXPECT_EQ(qr::test::widgets::layoutProblems(window), std::vector<std::string>{}) << name;
        const double growth = fontGrowth();
        EXPECT_GE(window->width(), int(layoutSize.width() * growth * 0.97)) << name;
        EXPECT_GE(window->height(), int(layoutSize.height() * growth * 0.97)) << name;
        if (growth == 1.0) {
            EXPECT_EQ(window->size(), layoutSize) << name;
        }
        // The background covers the window exactly, sharp on the screen it is shown on.
        EXPECT_EQ(window->bitmap().deviceIndependentSize().toSize(), window->size()) << name;
        EXPECT_EQ(window->bitmap().devicePixelRatio(), window->devicePixelRatioF()) << name;
        for (Btn* b : window->findChildren<Btn*>()) {
            if (!b->isVisibleTo(window))
                continue;
            EXPECT_EQ(b->currentImage().deviceIndependentSize().toSize(), b->size())
                << name << ": " << b->text().toStdString();
            EXPECT_EQ(b->currentImage().devicePixelRatio(), window->devicePixelRatioF());
        }
    }

    // The page's own controls lie on the grey panel drawn in the background, which
    // grows with them; only the row of buttons lies below it.
    void checkOnPanel(BkDialogST* window, const std::string& name) {
        const QRect panel = window->at(kPanel);
        for (QWidget* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isVisibleTo(window) || w->isWindow() || w->y() > panel.bottom())
                continue;
            EXPECT_TRUE(panel.contains(w->geometry()))
                << name << ": " << w->objectName().toStdString() << " off the panel";
        }
    }

    QFont font_;
};

TEST_P(SetupLayout, EveryPageAndWindowShowsItsTextsWhole) {
    First w(hooks());
    w.show();
    check(&w, kWizardSize, "welcome");
    auto* next = static_cast<Btn*>(w.control(id::kNext));
    next->click();
    static_cast<QCheckBox*>(w.control(id::kAccepted))->click();
    check(&w, kWizardSize, "licence");
    checkOnPanel(&w, "licence");

    qr::test::whenModal<Exit>([this](Exit* e) {
        check(e, kExitSize, "exit");
        e->resume()->click();
    });
    static_cast<Btn*>(w.control(id::kCancel))->click();
    ASSERT_EQ(exits, 0);

    next->click();
    ASSERT_EQ(w.setupStage(), 3);
    check(&w, kWizardSize, "destination");
    checkOnPanel(&w, "destination");

    chosenFolders = {QString::fromStdString((root / "base").string())};
    static_cast<Btn*>(w.control(id::kBrowse))->click();
    bool installingSeen = false;
    onPause = [&] {
        check(&w, kWizardSize, "installing");
        checkOnPanel(&w, "installing");
        installingSeen = true;
    };
    next->click();
    EXPECT_TRUE(installingSeen);
    ASSERT_TRUE(w.result());

    Finish finish(hooks(), "program");
    finish.show();
    check(&finish, kWizardSize, "finish");
    checkOnPanel(&finish, "finish");
}

INSTANTIATE_TEST_SUITE_P(Fonts, SetupLayout, ::testing::Values(1.0, 1.5, 0.8),
                         [](const auto& info) {
                             return info.param == 1.0  ? std::string("DesktopFont")
                                    : info.param > 1.0 ? std::string("LargerFont")
                                                       : std::string("SmallerFont");
                         });

} // namespace
