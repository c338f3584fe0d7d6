#include "app/Recording.h"

#include "app/Dialogs.h"
#include "app/ErrorBox.h"
#include "app/ImagePane.h"
#include "app/SnapshotFolder.h"
#include "platform/runtime/Exception.h"

#include <QAction>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace {

const char* const kRecord = "Nagraj film";
const char* const kStop = "Zatrzymaj nagrywanie";
constexpr int kTickMs = 200;
constexpr int kNameShownMs = 5000;
constexpr int kSoundNoteMs = 4000;

QString Polish(const char* text) {
    return QString::fromUtf8(text);
}

// "00:12", or "1:02:03" past an hour.
QString RecordedText(int64_t nanoseconds) {
    const int64_t seconds = nanoseconds / 1'000'000'000;
    const auto two = [](int64_t value) { return QString::number(value).rightJustified(2, '0'); };
    if (seconds >= 3600)
        return QString::number(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
    return two(seconds / 60) + ":" + two(seconds % 60);
}

} // namespace

std::pair<int64_t, int64_t> FilmInterval(int64_t frameTime) {
    constexpr int64_t kUnits = 10'000'000; // 100 ns units a second
    if (frameTime <= 0 || frameTime > kUnits)
        return {1, 30};
    // 333333 units is 30 a second, 333667 the NTSC 29.97: whole rates and thousandths of 1001.
    for (int64_t rate = 1; rate <= 1000; ++rate) {
        if (std::llabs(rate * frameTime - kUnits) < rate)
            return {1, rate};
        if (std::llabs(rate * 1000 * frameTime - 1001 * kUnits) < rate * 1000)
            return {1001, rate * 1000};
    }
    return {frameTime, kUnits};
}

QString FilmPath(const QString& folder, const QDateTime& time) {
    const QString stem = folder + "/Tarnolix " + time.toString("yyyy-MM-dd HH-mm-ss");
    QString path = stem + ".mp4";
    for (int k = 2; QFileInfo::exists(path); ++k)
        path = stem + " (" + QString::number(k) + ").mp4";
    return path;
}

QString RecordingFailureText(const RecordingError& error) {
    const QString path = QString::fromStdString(error.Path());
    const QString folder = QFileInfo(path).absolutePath();
    switch (error.ErrorNumber()) {
    case ENOSPC:
    case EDQUOT:
        return Polish("Na dysku zabrakło miejsca na film %1.").arg(path);
    case EFBIG:
        return Polish("Film %1 osiągnął największy rozmiar pliku, na jaki pozwala system.").arg(path);
    case EACCES:
    case EPERM:
    case EROFS:
        return Polish("Brak prawa zapisu w folderze %1.").arg(folder);
    case ENOENT:
    case ENOTDIR:
        return Polish("Folder %1 nie istnieje.").arg(folder);
    default:
        return Polish("Nie udało się zapisać filmu %1 (%2).")
            .arg(path, QString::fromStdString(error.Message()));
    }
}

TRecording::TRecording(QWidget* window, IDialogs& dialogs, TImagePane& pane, PictureReader reader,
                       CameraMode cameraMode)
    : window_(window), dialogs_(dialogs), pane_(pane), reader_(std::move(reader)),
      cameraMode_(std::move(cameraMode)), counters_(RecorderCounters::Create()) {
    // A file-size limit ends a write with EFBIG, told like a full disk, instead of ending the
    // program.
    std::signal(SIGXFSZ, SIG_IGN);
    item_ = new QAction(Polish(kRecord), this);
    item_->setObjectName("Nagrajfilm1");
    connect(item_, &QAction::triggered, this, [this] {
        try {
            Click();
        } catch (const std::exception& error) {
            ShowErrorBox(dialogs_, window_, error);
        }
    });
    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
}

TRecording::~TRecording() {
    Finish();
}

ComPtr<ICounterSource> TRecording::Counters() const {
    return ComPtr<ICounterSource>(counters_.Get());
}

bool TRecording::Recording() const {
    std::lock_guard lock(recorderMutex_);
    return recorder_ != nullptr;
}

void TRecording::Click() {
    if (Recording())
        Stop();
    else
        Start();
}

void TRecording::Start(const QString& path) {
    if (Recording())
        return;
    const std::optional<VideoFormat> mode = cameraMode_();
    if (!mode || mode->width <= 0)
        throw Exception("Film nagrywa się z kamery: najpierw wybierz ją z menu „Urządzenia”.");
    RecorderSettings settings;
    settings.path =
        (path.isEmpty() ? FilmPath(UserFolder(QStandardPaths::MoviesLocation), QDateTime::currentDateTime())
                        : path)
            .toStdString();
    settings.width = mode->width;
    settings.height = std::abs(mode->height);
    const auto [numerator, denominator] = FilmInterval(mode->averageTimePerFrame);
    settings.intervalNumerator = numerator;
    settings.intervalDenominator = denominator;
    std::unique_ptr<FilmRecorder> recorder;
    try {
        recorder = std::make_unique<FilmRecorder>(settings, reader_, OpenDefaultMicrophone(), counters_);
    } catch (const RecordingError& error) {
        throw Exception(Polish("Nie można nagrywać filmu. ").toStdString() +
                        RecordingFailureText(error).toStdString());
    }
    soundNoteUntil_ =
        recorder->HasSound() ? QDateTime() : QDateTime::currentDateTime().addMSecs(kSoundNoteMs);
    {
        std::lock_guard lock(recorderMutex_);
        recorder_ = std::move(recorder);
    }
    stopping_ = false;
    badgeUntil_ = {};
    item_->setText(Polish(kStop));
    timer_->start();
    Tick();
}

void TRecording::Stop() {
    std::lock_guard lock(recorderMutex_);
    if (!recorder_ || stopping_)
        return;
    stopping_ = true;
    recorder_->RequestStop();
    item_->setEnabled(false);
}

void TRecording::Finish() {
    if (!Recording())
        return;
    Stop();
    Finished(); // waits for the film to be finished
}

void TRecording::FrameReady(int64_t captureTime) {
    std::lock_guard lock(recorderMutex_);
    if (recorder_)
        recorder_->FrameReady(captureTime);
}

void TRecording::Tick() {
    const QDateTime now = QDateTime::currentDateTime();
    bool finished = false;
    int64_t recorded = 0;
    {
        std::lock_guard lock(recorderMutex_);
        if (recorder_) {
            finished = recorder_->Finished();
            recorded = recorder_->Recorded();
        }
    }
    if (finished) {
        Finished();
        return;
    }
    if (Recording()) {
        QString badge = Polish("● ") + RecordedText(recorded);
        if (now < soundNoteUntil_)
            badge += Polish(" – bez dźwięku: nie ma mikrofonu");
        pane_.SetBadge(badge);
    } else if (now >= badgeUntil_) {
        pane_.SetBadge({});
        timer_->stop();
    }
}

void TRecording::Finished() {
    std::unique_ptr<FilmRecorder> recorder;
    {
        std::lock_guard lock(recorderMutex_);
        recorder = std::move(recorder_);
    }
    if (!recorder)
        return;
    const FilmResult result = recorder->Result();
    recorder.reset();
    stopping_ = false;
    item_->setText(Polish(kRecord));
    item_->setEnabled(true);
    if (!result.path.empty())
        ShowBadgeFor(QFileInfo(QString::fromStdString(result.path)).fileName(), kNameShownMs);
    else
        ShowBadgeFor(Polish("Nic nie nagrano"), kNameShownMs);
    if (result.failure) {
        QString text = Polish("Nagrywanie przerwane. ") + RecordingFailureText(*result.failure);
        if (!result.path.empty())
            text += Polish(" Nagrany film jest w pliku %1.").arg(QString::fromStdString(result.path));
        ShowErrorBox(dialogs_, window_, Exception(text.toStdString()));
    }
}

void TRecording::ShowBadgeFor(const QString& text, int milliseconds) {
    pane_.SetBadge(text);
    badgeUntil_ = QDateTime::currentDateTime().addMSecs(milliseconds);
    timer_->start();
}
