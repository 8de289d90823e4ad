#include "RecordingVideoView.h"

#include <utility>

namespace rure::test {

RecordingVideoView::RecordingVideoView(std::shared_ptr<FakeEngineJournal> journal, QWidget* parent)
    : QWidget(parent), journal_(std::move(journal)) {}

RecordingVideoView::~RecordingVideoView() {
    shutdownRenderContext();
}

int RecordingVideoView::configureWithMPV(mpv_handle* /*handle*/) {
    // Like the real views: a second attach replaces the first.
    shutdownRenderContext();
    if (attachStatus < 0) {
        journal_->calls << QStringLiteral("attach refused");
        return attachStatus;
    }
    attached_ = true;
    journal_->calls << QStringLiteral("attach");
    return attachStatus;
}

void RecordingVideoView::shutdownRenderContext() {
    if (!attached_) {
        return;
    }
    attached_ = false;
    journal_->calls << QStringLiteral("render context freed");
}

void RecordingVideoView::clearPicture() {
    journal_->calls << QStringLiteral("picture cleared");
}

void RecordingVideoView::setFrameRenderedHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
    journal_->calls << (handler_ ? QStringLiteral("handler set")
                                 : QStringLiteral("handler cleared"));
}

bool RecordingVideoView::presentPicture() {
    // A detached view has no engine to draw pictures.
    if (!attached_ || !handler_) {
        return false;
    }
    // Through a copy, as the real views do: the handler may replace itself.
    const std::function<void()> handler = handler_;
    handler();
    return true;
}

} // namespace rure::test
