#pragma once
// The browse step's preview: the selected file's picture or the beginning of its text,
// read from the medium through its engine on a worker thread. A new selection ends the
// read of the last one; a picture that cannot be decoded says so (for a deleted photo
// a strong sign that its clusters were written again).
#include "model/FileList.h"
#include "output/PreviewRead.h"

#include <QFrame>
#include <QImage>
#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace qr::gui {

class PreviewPane : public QFrame {
    Q_OBJECT
public:
    // Reads at most `limit` bytes of the row's file (on the worker).
    using Reader = std::function<output::PreviewBytes(const model::FileListRow& row,
                                                      std::size_t limit, std::stop_token stop)>;
    PreviewPane(Reader read, QWidget* parent);
    ~PreviewPane() override;

    // Shows `row` (null: nothing); the last read is stopped.
    void showRow(const model::FileListRow* row);
    // What the pane says (a message, or the picture's size), for tests and tooltips.
    QString message() const;
    bool showsPicture() const { return !image_.isNull(); }
    bool showsText() const;
    bool busy() const { return pending_ > 0; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Result {
        QImage image;
        QString text;
        QString message;
    };
    static Result decode(const model::FileListRow& row, output::PreviewBytes bytes);
    void present(const Result& result);
    void say(const QString& message);
    void fitPicture();

    Reader read_;
    QLabel* picture_;
    QPlainTextEdit* text_;
    QLabel* status_;
    QImage image_;
    std::atomic<unsigned> generation_{0};
    std::atomic<int> pending_{0};
    // The reads started, newest last; an older one was asked to stop and ends soon.
    struct Worker {
        std::shared_ptr<std::atomic<bool>> done;
        std::jthread thread;
    };
    std::vector<Worker> workers_;
};

} // namespace qr::gui
