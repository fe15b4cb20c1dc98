#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <memory>

class QMediaPlayer;
class QVideoSink;
class QVideoFrame;

// One looping, muted video whose frames a screen draws itself (so that it can turn them with the
// screen). Nothing plays until Play; Stop frees the decoder.
class VideoPlayer : public QObject {
  Q_OBJECT

 public:
  explicit VideoPlayer(QObject* parent = nullptr);
  ~VideoPlayer() override;
  VideoPlayer(const VideoPlayer&) = delete;
  VideoPlayer& operator=(const VideoPlayer&) = delete;

  // Plays `path` from its start, looped, without sound; the same path already playing goes on.
  void Play(const QString& path);
  void Stop();
  // The path playing, "" when none.
  const QString& path() const { return path_; }
  // The last frame shown, null before the first.
  const QImage& frame() const { return frame_; }
  // True once a frame of the current video has come.
  bool showing() const { return !frame_.isNull(); }

 signals:
  // A new frame is ready to draw.
  void frameReady();
  // The video cannot be played (a broken file, no decoder): the picture stays.
  void failed(const QString& path);

 private:
  void OnFrame(const QVideoFrame& frame);

  std::unique_ptr<QMediaPlayer> player_;
  std::unique_ptr<QVideoSink> sink_;
  QString path_;
  QImage frame_;
};
