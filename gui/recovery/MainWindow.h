#pragma once
// The wizard window: menus, image buttons, the left-panel trees, the right-panel
// lists and options, the search view and the status line. It is the view of the
// wizard controller and the engines' window (WizardView); engine calls from worker
// threads are carried over to the GUI thread.
#include "QtMessages.h"
#include "WorkerStopper.h"
#include "app/RawRecovery.h"
#include "app/RecoveryContext.h"
#include "app/RecoveryLogCommands.h"
#include "app/Startup.h"
#include "app/Wizard.h"
#include "rescue/Rescuer.h"

#include <QDialog>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QListWidget;
class QTreeView;

namespace qr::gui {

class PanelTree;
class TreeAdapter;
class FileListAdapter;
class FileListFilterBar;
class PreviewPane;
class SaveQuestionsGui;
class ReportCommands;
class PrinterChooser;
class MailComposer;
class DiskImageWindow;

struct MainWindowOptions {
    platform::RegistryStore* registry = nullptr;
    // Null: message boxes. Tests pass scripted answers here.
    platform::UserMessages* messages = nullptr;
    // Null: the desktop's opener (web site, help file).
    platform::ShellOpener* shell = nullptr;
    // Null: Qt's print dialog and the desktop's mail composer (xdg-email).
    PrinterChooser* printers = nullptr;
    MailComposer* mailer = nullptr;
    // Disk images listed as disks of the disk tree, in order.
    std::vector<std::string> images;
};

class MainWindow : public QMainWindow, public app::WizardView {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up order: installation check, disk listing, start state.
    app::StartupResult initialise();

    app::RecoveryContext& context() { return *ctx_; }
    app::Wizard& wizard() { return *wizard_; }
    FileListAdapter* fileListAdapter() const { return fileList_; }
    FileListFilterBar* filterBar() const { return filterBar_; }
    PreviewPane* preview() const { return preview_; }
    app::RawRecovery& rawRecovery() { return *rawRecovery_; }
    // The widget or null for an item number.
    QWidget* item(int itemId) const { return widgets_.value(itemId); }
    QAction* command(int commandId) const { return actions_.value(commandId); }
    bool balloonHelp() const { return balloonHelp_; }
    PanelTree* tree(int itemId) const;
    TreeAdapter* treeAdapter(int itemId) const;

    // Save of the selection (the file list's rows or the recovery tree's marks).
    void saveSelection(std::uint16_t source);
    // The last save's summary, open until closed (null: none).
    QDialog* saveSummary() const { return saveSummary_; }
    // Lists a disk image as one more disk of the disk tree. A rescue map beside it is
    // offered: with it, the sectors the map did not rescue read as unreadable.
    void addDiskImage(const std::string& path);
    // Copies the disk chosen on the disk step into `destination` (its map beside it),
    // in the imaging window; at the end the image is offered for searching.
    void createDiskImage(const std::string& destination);
    // The imaging window while it is open (null: none).
    DiskImageWindow* imagingWindow() const;
    void showAbout();
    void showNoMedia();
    void startNoMediaPrompt();

    // WindowItems and WizardView.
    void setItemText(int itemId, const std::string& text) override;
    void showItem(int itemId, bool visible) override;
    void enableItem(int itemId, bool enabled) override;
    void setProgress(int itemId, int percent) override;
    void selectEntry(int itemId, int index) override;
    std::string itemText(int itemId) override;
    int selectedEntry(int itemId) override;
    void checkItem(int itemId, bool checked) override;
    void focusItem(int itemId) override;
    std::vector<bool> checkedRows(int itemId) override;
    void setListRows(int itemId, const std::vector<std::string>& rows) override;
    void setSingleColumn(int itemId, const std::string& title, int width) override;
    void closeWindow() override;
    void stopWorker(std::jthread& worker) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int kWidth = 790;
    static constexpr int kHeight = 540;

    // Layout (MainWindowLayout.cpp).
    void buildLayout();
    void registerItem(int itemId, QWidget* widget);
    void buildMenus();
    void showBalloons(bool on);
    void buildTopButtons(QWidget* central);
    void buildTrees(QWidget* central);
    void buildDiskStep(QWidget* central);
    void buildPartitionStep(QWidget* central);
    void buildSearchView(QWidget* central);
    void buildBottom(QWidget* central);
    void relayout();
    // How a control follows a window larger than its placed size (MainWindowGrowth.cpp).
    enum class Growth { None, Width, Height, Both, MoveX, MoveY, MoveXY, MoveYWidth };
    struct Grown {
        QRect base; // where the control sits at the placed size
        Growth rule = Growth::None;
    };
    void noteGrowth();
    void place(QWidget* widget, const QRect& base, Growth rule);
    QRect grown(const QRect& base, Growth rule) const;
    void applyGrowth();
    // The browse step's file list, and the preview beside it when there is room.
    void placeBrowseLists();
    void previewCurrentRow();
    void clearSearchProgress();
    void showBrowseStep();
    void showStepBackground();
    // Commands (MainWindowMenus.cpp, MainWindow.cpp).
    void connectCommands();
    void describeCommands();
    void showDescription(QAction* action);
    void connectEngines();
    void menuExit(bool fromButton);
    void showContextMenu(const QPoint& globalPos, std::uint16_t source);
    void selectAllFiles();
    void openListRow(int row);
    void listDisks();
    // Disk images (MainWindowImaging.cpp).
    void chooseImageDestination();
    void listDiskImage(const std::string& path, const std::optional<std::string>& map);
    void selectImageDisk(const std::string& path);
    void offerImageSearch(const DiskImageWindow& window, rescue::RescueEnd end);
    void showSaveSummary();
    // Save Log and Load Log, with the file dialogs and the wait window they use
    // (MainWindowLog.cpp).
    app::RecoveryLogDialogs logDialogs();
    // The wait window over a long step; it closes once the file-system worker has ended.
    void showWaitPopup();
    void closeWaitPopup();
    void closeWaitPopupWhenIdle();
    // View adapter (MainWindowView.cpp).
    void onGui(std::function<void()> fn);
    // Workers (MainWindowWorkers.cpp).
    void stopRunningWorker();
    void stopSearching();

    MainWindowOptions options_;
    QtMessages boxes_;
    std::unique_ptr<SaveQuestionsGui> saveQuestions_;
    std::unique_ptr<app::RecoveryContext> ctx_;
    std::unique_ptr<app::Wizard> wizard_;
    std::unique_ptr<ReportCommands> reports_;
    std::unique_ptr<app::RawRecovery> rawRecovery_;
    QHash<int, QWidget*> widgets_;
    QHash<int, QAction*> actions_;
    QHash<int, TreeAdapter*> trees_;
    FileListAdapter* fileList_ = nullptr;
    QTreeView* fileListView_ = nullptr;
    FileListFilterBar* filterBar_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QPointer<QDialog> saveSummary_;
    QPointer<DiskImageWindow> imaging_;
    QSize baseSize_;
    QHash<QWidget*, Grown> growth_;
    bool closing_ = false;
    // Set while the destructor serves the workers' last requests.
    bool destroying_ = false;
    WorkerStopper workers_;
    // The wait window shown while a loaded log's tree is built.
    QWidget* waitPopup_ = nullptr;
    bool balloonHelp_ = true;
    // The status line's text while a menu shows command descriptions in its place.
    QString statusBeforeMenu_;
    bool describing_ = false;
    bool fileListActive_ = false;
    // The layout's scale for the desktop's font (1 at the font it was drawn for).
    double scale_ = 1.0;
};

} // namespace qr::gui
