#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/core/FramePicture.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/recording/FilmRecorder.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

class IDialogs;
class QAction;
class QTimer;
class QWidget;
class TImagePane;

// "Nagraj film": the processed picture, with the default microphone's sound when there is one,
// into an MP4 film in the user's videos folder ("Tarnolix YYYY-MM-DD HH-MM-SS.mp4"). While it
// records, the item reads "Zatrzymaj nagrywanie" and the pane's badge shows a red dot and the time
// recorded; once the film is finished, its name for a few seconds. A failure (a full disk, a
// folder that cannot be written) ends recording with an error box; what was written plays.
// GUI thread, except FrameReady (the streaming thread).
class TRecording : public QObject {
public:
    using CameraMode = std::function<std::optional<VideoFormat>()>;

    // `cameraMode` tells the running camera's size and rate, none while no camera runs.
    TRecording(QWidget* window, IDialogs& dialogs, TImagePane& pane, PictureReader reader,
               CameraMode cameraMode);
    ~TRecording() override;

    // The menu bar's item.
    QAction* Item() const { return item_; }
    // Starts recording into `path` (empty: a new film in the videos folder). Throws Exception in
    // Polish when no camera runs or the file cannot be made.
    void Start(const QString& path = {});
    // Recording ends; the film is finished on the recorder's thread and told when done.
    void Stop();
    // Ends recording and waits until the film is finished (the window closes).
    void Finish();
    bool Recording() const;
    // Streaming thread: a processed frame is ready.
    void FrameReady(int64_t captureTime);

    // For the graph viewer; the same object for every film.
    ComPtr<ICounterSource> Counters() const;

private:
    void Click();
    void Tick();
    // The recorder's film is finished: the item back, its name shown or what went wrong told.
    void Finished();
    void ShowBadgeFor(const QString& text, int milliseconds);

    QWidget* window_;
    IDialogs& dialogs_;
    TImagePane& pane_;
    const PictureReader reader_;
    const CameraMode cameraMode_;
    const ComPtr<RecorderCounters> counters_;
    QAction* item_ = nullptr;
    QTimer* timer_ = nullptr;
    bool stopping_ = false;
    QDateTime soundNoteUntil_; // the note that the film has no sound shows until then
    QDateTime badgeUntil_;     // a film's name shows until then
    // recorderMutex_ guards recorder_ between FrameReady and the GUI thread.
    mutable std::mutex recorderMutex_;
    std::unique_ptr<FilmRecorder> recorder_;
};

// The film's file: `Tarnolix YYYY-MM-DD HH-MM-SS.mp4` of `time` in `folder`, with " (2)", " (3)"...
// before the extension while the name is taken.
QString FilmPath(const QString& folder, const QDateTime& time);
// A film's frame interval (numerator / denominator seconds) for a camera's frame time in 100 ns
// units, the rounding undone: 333333 is 1/30, 333667 is 1001/30000; 1/30 when it is not known.
std::pair<int64_t, int64_t> FilmInterval(int64_t frameTime);
// What the user is told of a film that could not be written (RecordingError), in Polish.
QString RecordingFailureText(const RecordingError& error);
