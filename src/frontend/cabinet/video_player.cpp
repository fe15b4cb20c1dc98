#include "frontend/cabinet/video_player.h"

#include <QMediaPlayer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

VideoPlayer::VideoPlayer(QObject* parent) : QObject(parent) {}

VideoPlayer::~VideoPlayer() { Stop(); }

void VideoPlayer::Play(const QString& path) {
  if (path == path_ && player_) return;
  Stop();
  if (path.isEmpty()) return;
  path_ = path;
  // A player without an audio output plays no sound at all.
  player_ = std::make_unique<QMediaPlayer>();
  sink_ = std::make_unique<QVideoSink>();
  player_->setVideoSink(sink_.get());
  player_->setLoops(QMediaPlayer::Infinite);
  connect(sink_.get(), &QVideoSink::videoFrameChanged, this, &VideoPlayer::OnFrame);
  connect(player_.get(), &QMediaPlayer::errorOccurred, this,
          [this](QMediaPlayer::Error, const QString&) { emit failed(path_); });
  player_->setSource(QUrl::fromLocalFile(path));
  player_->play();
}

void VideoPlayer::Stop() {
  if (player_) {
    player_->disconnect(this);
    sink_->disconnect(this);
    player_->stop();
  }
  player_.reset();
  sink_.reset();
  path_.clear();
  frame_ = QImage();
}

void VideoPlayer::OnFrame(const QVideoFrame& frame) {
  if (!frame.isValid()) return;
  frame_ = frame.toImage();
  emit frameReady();
}
