#include "PreviewPane.h"

#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qr::gui {

namespace {

// No decoder may take more than this for one picture (a decompression bomb declares
// a huge size); larger pictures are decoded at a reduced size first.
constexpr int kAllocationLimitMiB = 128;
constexpr int kLargestSide = 2048;

} // namespace

PreviewPane::PreviewPane(Reader read, QWidget* parent)
    : QFrame(parent), read_(std::move(read)), picture_(new QLabel(this)),
      text_(new QPlainTextEdit(this)), status_(new QLabel(this)) {
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumSize(1, 1);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->hide();
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture_, 1);
    layout->addWidget(text_, 1);
    layout->addWidget(status_);
    say("Select a file to see it here.");
}

PreviewPane::~PreviewPane() {
    for (Worker& worker : workers_)
        worker.thread.request_stop();
    workers_.clear(); // joins: no read outlives the pane
}

QString PreviewPane::message() const {
    return status_->text();
}

bool PreviewPane::showsText() const {
    return text_->isVisibleTo(this);
}

void PreviewPane::say(const QString& message) {
    image_ = {};
    picture_->clear();
    text_->hide();
    text_->clear();
    picture_->show();
    status_->setText(message);
}

void PreviewPane::showRow(const model::FileListRow* row) {
    const unsigned generation = ++generation_;
    for (Worker& worker : workers_)
        worker.thread.request_stop();
    // Reads that have ended are joined at once; one still running ends at its next poll.
    std::erase_if(workers_, [](const Worker& worker) { return worker.done->load(); });
    if (!row || row->image == model::kFolderRowImage) {
        say(row ? "A folder: open it to see its files." : "Select a file to see it here.");
        return;
    }
    const output::PreviewKind kind = output::PreviewKindOf(row->cells[model::file_col::Name]);
    if (kind == output::PreviewKind::None) {
        say("No preview for this kind of file.");
        return;
    }
    say("Reading...");
    const std::size_t limit = kind == output::PreviewKind::Picture ? output::kPreviewPictureBytes
                                                                   : output::kPreviewTextBytes;
    ++pending_;
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::jthread thread([this, generation, limit, done, copy = *row](std::stop_token stop) {
        Result result;
        output::PreviewBytes bytes = read_(copy, limit, stop);
        if (!bytes.stopped)
            result = decode(copy, std::move(bytes));
        QMetaObject::invokeMethod(
            this,
            [this, generation, result = std::move(result)] {
                --pending_;
                if (generation == generation_)
                    present(result);
            },
            Qt::QueuedConnection);
        *done = true;
    });
    workers_.push_back({std::move(done), std::move(thread)});
}

PreviewPane::Result PreviewPane::decode(const model::FileListRow& row, output::PreviewBytes bytes) {
    Result result;
    const std::string& name = row.cells[model::file_col::Name];
    if (bytes.bytes.empty()) {
        result.message = "Nothing could be read for this file.";
        return result;
    }
    if (output::PreviewKindOf(name) == output::PreviewKind::Text) {
        std::string text;
        if (!output::TextStart(disk::ByteView(bytes.bytes.data(), bytes.bytes.size()), text)) {
            result.message = "This file does not begin with text.";
            return result;
        }
        result.text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        result.message = "The beginning of the file.";
        return result;
    }
    QByteArray data(reinterpret_cast<const char*>(bytes.bytes.data()),
                    static_cast<qsizetype>(bytes.bytes.size()));
    bytes.bytes.clear();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMiB);
    const QSize declared = reader.size();
    if (declared.isValid() && (declared.width() > kLargestSide || declared.height() > kLargestSide))
        reader.setScaledSize(declared.scaled(kLargestSide, kLargestSide, Qt::KeepAspectRatio));
    result.image = reader.read();
    if (result.image.isNull()) {
        const bool deleted = row.cells[model::file_col::Type].rfind("Deleted", 0) == 0;
        result.message = "The picture cannot be decoded" +
                         QString(deleted ? ": its clusters were probably written again."
                                         : ": the file is damaged.");
        return result;
    }
    result.message = declared.isValid()
                         ? QString("%1 x %2").arg(declared.width()).arg(declared.height())
                         : QString();
    return result;
}

void PreviewPane::present(const Result& result) {
    say(result.message);
    if (!result.text.isEmpty()) {
        picture_->hide();
        text_->setPlainText(result.text);
        text_->show();
    } else if (!result.image.isNull()) {
        image_ = result.image;
        fitPicture();
    }
}

void PreviewPane::fitPicture() {
    if (image_.isNull())
        return;
    const QSize room = picture_->size().boundedTo(image_.size());
    picture_->setPixmap(QPixmap::fromImage(image_.scaled(
        room.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void PreviewPane::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    fitPicture();
}

} // namespace qr::gui
