#include "app/MainForm.h"

#include "app/ErrorBox.h"
#include "app/FrameHandlerCounters.h"
#include "app/SnapshotFolder.h"
#include "capture/DirectShowErrors.h"
#include "imaging/BitmapFileReader.h"
#include "imaging/BitmapFileWriter.h"
#include "imaging/JPEGImage.h"
#include "platform/com/ItemMoniker.h"
#include "platform/media/core/CaptureBuilderInterfaces.h"
#include "platform/media/core/DeviceEnumInterfaces.h"
#include "platform/media/pipewire/PipeWireCameras.h"
#include "platform/media/sources/DeliveredFrame.h"
#include "platform/runtime/StandardErrors.h"
#include "platform/windows/PostedCall.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMenuBar>

#include <cstdio>
#include <stdexcept>

namespace {

// The window's design: 96 pixels per inch, outer size 623 x 303 at (258, 252), a client area
// of 615 x 249 holding the video window (305 wide), a 6-pixel strip and the preview pane.
constexpr int kDesignDpi = 96;
constexpr int kLeft = 258;
constexpr int kTop = 252;
constexpr int kClientWidth = 615;
constexpr int kClientHeight = 249;
constexpr int kVideoWidth = 305;
constexpr int kStrip = 6;

// The stored values of the window's layout: no device yet (a zero-length moniker), and the
// grabber's media type, video in 24-bit RGB with a video-info format and no format block.
constexpr uint8_t kFilterBaseFilterData[] = {0, 0, 0, 0};
constexpr uint8_t kSampleGrabberMediaTypeData[72] = {
    0x76, 0x69, 0x64, 0x73, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA,
    0x00, 0x38, 0x9B, 0x71, // video
    0x7D, 0xEB, 0x36, 0xE4, 0x4F, 0x52, 0xCE, 0x11, 0x9F, 0x53, 0x00, 0x20,
    0xAF, 0x0B, 0xA7, 0x70,                                                 // RGB24
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, // fixed size, sample size 1
    0x80, 0x9F, 0x58, 0x05, 0x56, 0xC3, 0xCE, 0x11, 0xBF, 0x01, 0x00, 0xAA,
    0x00, 0x55, 0x59, 0x5A, // video info
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

} // namespace

TMainForm::TMainForm(IDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), frameHandler_(selection_, ProgramRandom()) {
    setWindowTitle("Tarnolix");
    CreateLayout();
    CreateActions();
    CreateMenus();
    PlaceWindow();
}

TMainForm::~TMainForm() {
    if (!closed_)
        FormCloseQuery();
}

void TMainForm::CreateComponents(QWidget* client) {
    // The graph first: the others join it, in this order, and their filters enter the graph in
    // it at every activation.
    FilterGraph = &TComponent::Create<TFilterGraph>(components_);
    FilterGraph->SetName("FilterGraph");
    FilterGraph->SetMode(TGraphMode::gmCapture);
    FilterGraph->SetGraphEdit(true);
    FilterGraph->SetLinearVolume(true);
    Filter = &TComponent::Create<TFilter>(components_);
    Filter->SetName("Filter");
    Filter->BaseFilter().LoadData(kFilterBaseFilterData, sizeof kFilterBaseFilterData);
    Filter->SetFilterGraph(FilterGraph);
    SampleGrabber = &TComponent::Create<TSampleGrabber>(components_);
    SampleGrabber->SetName("SampleGrabber");
    SampleGrabber->MediaType().LoadData(kSampleGrabberMediaTypeData, sizeof kSampleGrabberMediaTypeData);
    SampleGrabber->SetFilterGraph(FilterGraph);
    SampleGrabber->OnBuffer = [this](TSampleGrabber&, double, uint8_t* buffer, int32_t bufferLen) {
        SampleGrabberBuffer(buffer, bufferLen);
    };
    VideoWindow = &TComponent::Create<TVideoWindow>(components_, client);
    VideoWindow->SetName("VideoWindow");
    // The stored mixing-renderer options; they act only in vmVMR, which the window never uses.
    VideoWindow->VMROptions().SetMode(TVMRVideoMode::vmrWindowed);
    VideoWindow->VMROptions().SetStreams(1);
    VideoWindow->VMROptions().SetPreferences({});
    VideoWindow->SetFilterGraph(FilterGraph);
    frameHandler_.Pass().SetKeying(&keyedBackground_);
}

void TMainForm::CreateLayout() {
    const auto scaled = [this](int design) { return Scaled(design); };

    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette face = client->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button)); // the system's button face
    client->setPalette(face);
    auto* layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scaled(kStrip));

    CreateComponents(client);
    QWidget* video = VideoWindow->Control();
    video->setObjectName("VideoWindow");
    video->setFixedWidth(scaled(kVideoWidth));

    Podglad1 = new TImagePane(client);
    Podglad1->setObjectName("Podglad1");
    Podglad1->setPalette(face);
    // Viewers of the running graph see the frame pass's and the virtual camera's counts beside
    // the filters' own.
    FilterGraph->AddViewerCounters(
        TFrameHandlerCounters::Create(frameHandler_, Podglad1->PaintLatency()).Get());
    virtualCamera_ =
        std::make_unique<TVirtualCamera>([this](const PictureVisitor& visit) { ReadPicture(visit); });
    FilterGraph->AddViewerCounters(virtualCamera_->Counters().Get());
    recording_ = std::make_unique<TRecording>(
        this, dialogs_, *Podglad1, [this](const PictureVisitor& visit) { ReadPicture(visit); },
        [this] { return currentMode_; });
    FilterGraph->AddViewerCounters(recording_->Counters().Get());
    Nagrajfilm1 = recording_->Item();

    layout->addWidget(video);
    layout->addWidget(Podglad1, 1); // follows the window's width
    setCentralWidget(client);
}

void TMainForm::PlaceWindow() {
    // The menu bar is above the client area, so its height is known only once it holds the menus.
    move(Scaled(kLeft), Scaled(kTop));
    resize(Scaled(kClientWidth), Scaled(kClientHeight) + menuBar()->sizeHint().height());
}

int TMainForm::Scaled(int design) const {
    const double scale = logicalDpiX() > 0 ? static_cast<double>(logicalDpiX()) / kDesignDpi : 1.0;
    return static_cast<int>(design * scale + 0.5);
}

void TMainForm::CreateActions() {
    effectGroup_ = new QActionGroup(this);
    effectGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const TEffectInfo& info : EffectCatalogue()) {
        auto* action = new QAction(
            QString::fromUtf8(info.caption.data(), static_cast<qsizetype>(info.caption.size())), this);
        action->setObjectName(
            QString::fromLatin1(info.name.data(), static_cast<qsizetype>(info.name.size())));
        action->setCheckable(true);
        effectGroup_->addAction(action);
        effectActions_[static_cast<size_t>(info.item)] = action;
    }
    EffectAction(TEffectItem::Odksztaceniefraktalne1)->setChecked(true);
    SyncSelection();
    connect(effectGroup_, &QActionGroup::triggered, this, [this](QAction*) { SyncSelection(); });

    Zrbzdjcie1 = new QAction(QString::fromUtf8("Zrób zdjęcie"), this);
    Zrbzdjcie1->setObjectName("Zrbzdjcie1");
    connect(Zrbzdjcie1, &QAction::triggered, this, [this] { RunCommand([this] { Zrbzdjcie1Click(); }); });
    connect(EffectAction(TEffectItem::Nakadanieta1), &QAction::triggered, this,
            [this] { RunCommand([this] { Nakadanieta1Click(); }); });
    WirtualnaKamera1 = new QAction("Wirtualna kamera", this);
    WirtualnaKamera1->setObjectName("WirtualnaKamera1");
    WirtualnaKamera1->setCheckable(true);
    connect(WirtualnaKamera1, &QAction::triggered, this,
            [this](bool checked) { RunCommand([this, checked] { VirtualCameraClick(checked); }); });
    cameraSettings_ = std::make_unique<TCameraSettings>(this);
    Info1 = new QAction("Info", this);
    Info1->setObjectName("Info1");
    connect(Info1, &QAction::triggered, this, [this] { RunCommand([this] { Info1Click(); }); });
}

void TMainForm::CreateMenus() {
    Devices = menuBar()->addMenu(QString::fromUtf8("Urządzenia"));
    Devices->setObjectName("Devices");
    Kamera1 = menuBar()->addMenu("Kamera");
    Kamera1->setObjectName("Kamera1");
    Kamera1->setEnabled(false);
    modesEnd_ = Kamera1->addSeparator();
    Kamera1->addAction(WirtualnaKamera1);
    virtualCameraDevices_ = Kamera1->addMenu(QString::fromUtf8("Urządzenie wirtualnej kamery"));
    virtualCameraDevices_->setObjectName("VirtualCameraDevices");
    connect(virtualCameraDevices_, &QMenu::aboutToShow, this,
            [this] { RunCommand([this] { FillVirtualCameraDevices(); }); });
    Kamera1->addSeparator();
    Kamera1->addAction(cameraSettings_->Action());
    Widok1 = menuBar()->addMenu("Widok");
    Widok1->setObjectName("Widok1");
    Gallery = new TEffectGallery(effectActions_, this);
    FullScreen = new TFullScreenView(Podglad1, this);
    Widok1->addActions({Gallery->Action(), FullScreen->Action()});
    Efekty1 = menuBar()->addMenu("Efekty");
    Efekty1->setObjectName("Efekty1");
    for (const TEffectInfo& info : EffectCatalogue()) {
        Efekty1->addAction(EffectAction(info.item));
        if (info.item == TEffectItem::Obraznormalny1)
            Efekty1->addSeparator()->setObjectName("N1");
    }
    menuBar()->addAction(Zrbzdjcie1);
    menuBar()->addAction(Nagrajfilm1);
    menuBar()->addAction(Info1);
}

void TMainForm::SyncSelection() {
    // Unchecked items first, so that the frame pass never sees two checked at once.
    for (const TEffectInfo& info : EffectCatalogue())
        if (!EffectAction(info.item)->isChecked())
            selection_.SetChecked(info.item, false);
    for (const TEffectInfo& info : EffectCatalogue())
        if (EffectAction(info.item)->isChecked())
            selection_.SetChecked(info.item, true);
}

void TMainForm::RunCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ShowErrorBox(dialogs_, this, error);
    }
}

void TMainForm::FormCreate() {
    ProgramRandom().SetSeed(TRandomGenerator::CurrentTimeOfDaySeed());
    RunCommand([this] { FillDeviceMenu(); });
    WatchDevices();
}

void TMainForm::StartFromCommandLine(const TStartOptions& options) {
    if (options.virtualCamera) {
        // Written to once a camera runs, the one below or one chosen later.
        virtualCamera_->SetRequested(*options.virtualCamera);
        WirtualnaKamera1->setChecked(true);
        EnableCameraMenu();
    }
    if (options.device)
        for (QAction* item : Devices->actions())
            if (item->text() == QString::fromStdString(*options.device)) {
                item->trigger();
                break;
            }
    if (options.effect)
        EffectAction(*options.effect)->trigger();
    if (options.record)
        RunCommand([&] { recording_->Start(QString::fromStdString(*options.record)); });
}

void TMainForm::WatchDevices() {
    // The unplugged camera is handled once the graph's own event dispatch is over.
    FilterGraph->OnGraphDeviceLost = [this](TFilterGraph&, IUnknown*, bool removed) {
        if (removed)
            PostCall(this, [this] { RunCommand([this] { CameraUnplugged(); }); });
    };
    // A stream that failed (a camera whose frames all came damaged for 5 s, a driver error) stops
    // with its reason shown, rather than leaving the picture standing as if all were well.
    FilterGraph->OnGraphErrorAbort = [this](TFilterGraph&, HRESULT result) {
        PostCall(this, [this, result] { RunCommand([this, result] { CaptureAborted(result); }); });
    };
    try {
        // The watch's thread only queues the news for the GUI thread, where the window, if it
        // still exists, takes it.
        deviceWatch_ = std::make_unique<DeviceWatch>(
            [this] { PostCall(this, [this] { RunCommand([this] { DevicesChanged(); }); }); });
    } catch (const std::exception& error) {
        // Without a watch the menu stays as it was filled at start.
        std::fprintf(stderr, "tarnolix: cameras plugged in later will not be listed: %s\n", error.what());
    }
}

void TMainForm::FillDeviceMenu() {
    Devices->clear();
    deviceEnumerator_ = std::make_unique<TSysDevEnum>(CLSID_VideoInputDeviceCategory);
    const int count = deviceEnumerator_->DeviceCount();
    for (int i = 0; i < count; ++i) {
        auto* item =
            new QAction(QString::fromStdString(deviceEnumerator_->DeviceEntries(i).FriendlyName), Devices);
        item->setProperty("Tag", i);
        connect(item, &QAction::triggered, this,
                [this, i] { RunCommand([this, i] { DeviceItemClick(i); }); });
        Devices->addAction(item);
    }
}

void TMainForm::CaptureTeardown() {
    deviceEnumerator_.reset();
    StopCapture();
}

void TMainForm::StopCapture() {
    ClearCameraMenu();
    FilterGraph->ClearGraph();
    FilterGraph->SetActive(false);
}

std::u16string TMainForm::CameraName() {
    const ComPtr<IMoniker> camera = Filter->BaseFilter().Moniker();
    return camera ? MonikerDisplayName(camera.Get()) : std::u16string();
}

void TMainForm::ClearCameraMenu() {
    cameraSettings_->CameraStopped(); // lets the camera's controls go with its graph
    // The items go later: this may run in one's own triggered signal.
    if (modeGroup_) {
        for (QAction* item : modeGroup_->actions())
            Kamera1->removeAction(item);
        modeGroup_->deleteLater();
        modeGroup_ = nullptr;
    }
    currentMode_.reset();
    EnableCameraMenu();
}

void TMainForm::EnableCameraMenu() {
    Kamera1->setEnabled((modeGroup_ && !modeGroup_->actions().isEmpty()) || WirtualnaKamera1->isChecked());
}

void TMainForm::FillCameraMenu(const CameraModes& modes) {
    ClearCameraMenu();
    modeGroup_ = new QActionGroup(Kamera1);
    for (const VideoFormat& mode : modes.offered) {
        auto* item = new QAction(CameraModeCaption(mode), modeGroup_);
        item->setCheckable(true);
        item->setChecked(modes.current == mode);
        connect(item, &QAction::triggered, this,
                [this, mode] { RunCommand([this, mode] { CameraModeClick(mode); }); });
        Kamera1->insertAction(modesEnd_, item);
    }
    currentMode_ = modes.current;
    EnableCameraMenu();
}

void TMainForm::VirtualCameraClick(bool checked) {
    if (!checked) {
        virtualCamera_->Stop();
        EnableCameraMenu();
        return;
    }
    // Started now when a camera runs, else with the next one, at its size and rate.
    if (currentMode_)
        StartVirtualCamera();
}

void TMainForm::StartVirtualCamera() {
    try {
        virtualCamera_->Start(currentMode_->width, std::abs(currentMode_->height),
                              IntervalOfFrameTime(currentMode_->averageTimePerFrame));
    } catch (...) {
        WirtualnaKamera1->setChecked(false);
        EnableCameraMenu();
        throw;
    }
}

void TMainForm::FillVirtualCameraDevices() {
    virtualCameraDevices_->clear();
    auto* group = new QActionGroup(virtualCameraDevices_);
    const auto add = [&](const QString& caption, const std::string& device, bool enabled) {
        auto* item = new QAction(caption, group);
        item->setCheckable(true);
        item->setChecked(virtualCamera_->Requested() == device);
        item->setEnabled(enabled);
        connect(item, &QAction::triggered, this,
                [this, device] { RunCommand([this, device] { VirtualCameraDeviceClick(device); }); });
        virtualCameraDevices_->addAction(item);
    };
    add(QString::fromUtf8("Wybierz samodzielnie"), {}, true);
    for (const LoopbackOutput& output : virtualCamera_->Outputs()) {
        const bool ours = output.path == virtualCamera_->Device();
        add(QString::fromStdString(output.card + " (" + output.path + ")") +
                (ours ? QString::fromUtf8(" – w użyciu") : QString()),
            output.path, output.free || ours);
    }
    if (virtualCamera_->PipeWireOffered() || virtualCamera_->Device() == kPipeWireVirtualCamera)
        add(QString::fromUtf8("PipeWire (Tarnolix)"), kPipeWireVirtualCamera, true);
}

void TMainForm::VirtualCameraDeviceClick(const std::string& device) {
    virtualCamera_->SetRequested(device);
    // The device written to so far is let go for the one chosen.
    if (virtualCamera_->Running() && currentMode_)
        StartVirtualCamera();
}

void TMainForm::ReadPicture(const PictureVisitor& visit) {
    TBitmap& picture = Podglad1->Picture();
    TCanvasLock lock(picture.Canvas());
    const int height = picture.Height();
    if (picture.Empty() || height <= 0 || picture.PixelFormat() != TPixelFormat::pf24bit)
        return;
    const uint8_t* top = picture.ScanLine(0);
    const uint8_t* bottom = picture.ScanLine(height - 1);
    const bool bottomUp = bottom <= top;
    visit(FramePicture{bottomUp ? bottom : top, picture.Width(), height, picture.LineSize(), bottomUp});
}

void TMainForm::CameraModeClick(const VideoFormat& mode) {
    cameraSettings_->ModeChosen(CameraName(), mode);
    StopCapture();
    PreviewBuild();
}

void TMainForm::FormCloseQuery() {
    if (closed_)
        return;
    closed_ = true;
    deviceWatch_.reset();
    unpluggedCamera_.clear();
    recording_->Finish();   // the film is finished before the window goes
    virtualCamera_->Stop(); // before the picture it reads goes
    // The graph stops before the background goes, so no frame can key against a freed picture.
    try {
        CaptureTeardown();
    } catch (const std::exception& error) {
        ShowErrorBox(dialogs_, this, error); // closing is never refused
    }
    keyedBackground_.SetBackground(nullptr);
    backgroundBitmap_.reset();
}

void TMainForm::DeviceItemClick(int tag) {
    unpluggedCamera_.clear();
    Podglad1->SetNote({});
    StartDevice(tag);
}

void TMainForm::CameraUnplugged() {
    if (closed_)
        return;
    unpluggedCamera_ = CameraName();
    StopCapture();
    // The virtual camera goes on with the last picture: the graph stays registered, without the
    // camera, so that viewers still see the writer's counts.
    if (virtualCamera_->Running()) {
        Filter->BaseFilter().SetMoniker(nullptr);
        FilterGraph->SetActive(true);
    }
    Podglad1->SetNote(QString::fromUtf8("Kamera została odłączona. Obraz wróci, gdy znów ją podłączysz."));
}

void TMainForm::CaptureAborted(HRESULT result) {
    if (closed_)
        return;
    StopCapture();
    CheckDirectShowResult(result); // the error box shows its text
}

void TMainForm::DevicesChanged() {
    if (closed_)
        return;
    FillDeviceMenu();
    // Access refused through the Camera portal: said once, and the window goes on.
    if (const std::string notice = PipeWireCameras::TakeNotice(); !notice.empty())
        ShowErrorBox(dialogs_, this, std::runtime_error(notice));
    if (unpluggedCamera_.empty())
        return;
    for (int tag = 0; tag < deviceEnumerator_->DeviceCount(); ++tag) {
        const ComPtr<IMoniker> moniker = deviceEnumerator_->GetMoniker(tag);
        if (moniker && MonikerDisplayName(moniker.Get()) == unpluggedCamera_) {
            unpluggedCamera_.clear();
            Podglad1->SetNote({});
            StartDevice(tag);
            return;
        }
    }
}

void TMainForm::StartDevice(int tag) {
    StopCapture();
    ComPtr<IMoniker> moniker = deviceEnumerator_ ? deviceEnumerator_->GetMoniker(tag) : nullptr;
    Filter->BaseFilter().SetMoniker(moniker.Get());
    PreviewBuild();
}

void TMainForm::PreviewBuild() {
    FilterGraph->SetActive(true);
    const auto require = [](auto reference) {
        if (!reference)
            RaiseInterfaceCastError();
        return reference;
    };
    auto builder = require(FilterGraph->Query<ICaptureGraphBuilder2>());
    auto video = require(VideoWindow->Query<IBaseFilter>());
    auto grabber = require(SampleGrabber->Query<IBaseFilter>());
    auto source = require(Filter->Query<IBaseFilter>());
    // The camera's mode chosen before, if it still offers it; else its best, which it proposes first.
    ComPtr<IAMStreamConfig> config;
    builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(), IID_IAMStreamConfig,
                           config.ReceiveVoid());
    if (const auto chosen = cameraSettings_->ChosenMode(CameraName()))
        ChooseCameraMode(config.Get(), *chosen);
    builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, source.Get(), grabber.Get(), video.Get());
    // Filled before the graph runs, so that a mode the device refuses can be changed from the menu.
    FillCameraMenu(ReadCameraModes(config.Get()));
    cameraSettings_->CameraStarted(Filter->BaseFilter().Moniker().Get(), source.Get());
    if (WirtualnaKamera1->isChecked() && currentMode_) {
        if (virtualCamera_->Running())
            virtualCamera_->SetFrameInterval(IntervalOfFrameTime(currentMode_->averageTimePerFrame));
        else
            StartVirtualCamera();
    }
    FilterGraph->Play();
}

void TMainForm::SampleGrabberBuffer(uint8_t* buffer, int32_t bufferLen) {
    // The pane's surface is asked for under its lock (the handler holds it around the copy), so the
    // blank picture a pane without one gets is never made while the pane paints.
    const int64_t captureTime = DeliveredFrameCaptureTime();
    TFrameView input; // the camera's frame in the sample, for the gallery
    const bool processed = frameHandler_.HandleFrame(Podglad1->Picture(), [&](TBitmap& frame) {
        Podglad1->EnsurePicture();
        if (SampleGrabber->GetBitmap(&frame, buffer, bufferLen))
            input = ViewOfCopiedFrame(frame, buffer, bufferLen);
        Podglad1->SetFrameCaptureTime(captureTime);
    });
    if (processed) {
        virtualCamera_->FrameReady(captureTime);
        recording_->FrameReady(captureTime);
        Gallery->Feed().Offer(input); // the one that copies: after the others' wake-ups
    }
}

void TMainForm::Zrbzdjcie1Click() {
    QString name = "xyz";
    QString typed = name;
    if (dialogs_.InputQuery(QString::fromUtf8("Wpisz nazwę pliku"), QString::fromUtf8("Wpisz nazwę pliku"),
                            typed))
        name = typed;
    if (!Podglad1->HasPicture())
        return;
    // Chosen only now, so that a pictures folder is made only for a picture that goes into it.
    const std::string path = SnapshotPath(QCoreApplication::applicationDirPath(), name).toStdString();
    // One consistent frame: the picture is written while the frame pass is kept out.
    TCanvasLock lock(Podglad1->Picture().Canvas());
    SaveBitmapToFile(Podglad1->Picture(), path);
}

void TMainForm::Nakadanieta1Click() {
    ClearCameraMenu();
    FilterGraph->SetActive(false);
    QString fileName;
    if (!dialogs_.OpenPicture(this, fileName))
        return;
    pictureFileName_ = fileName;
    keyedBackground_.SetBackground(nullptr);
    Gallery->SetKeying(nullptr, {});
    dialogs_.MessageBox(this, QString::fromUtf8("Podaj kolor tła"),
                        QString::fromUtf8("W oknie, które za chwilę zobaczysz, podaj przybliżony kolor tła, "
                                          "jaki widzi kamera."),
                        IDialogs::Icon::Information);
    if (!dialogs_.ChooseColour(this, chosenColour_))
        return;
    keyedBackground_.SetKeyColour({static_cast<uint8_t>(chosenColour_.red()),
                                   static_cast<uint8_t>(chosenColour_.green()),
                                   static_cast<uint8_t>(chosenColour_.blue())});

    // The extension: from the last dot, unless a path separator follows it; compared exactly.
    const qsizetype dot = fileName.lastIndexOf('.');
    const QString extension = dot >= 0 && fileName.indexOf('/', dot) < 0 && fileName.indexOf(':', dot) < 0
                                  ? fileName.mid(dot)
                                  : QString();
    if (extension == ".jpg") {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(fileName.toStdString());
        backgroundBitmap_ = std::make_unique<TBitmap>();
        jpeg.AssignTo(*backgroundBitmap_);
    } else if (extension == ".bmp") {
        backgroundBitmap_ = std::make_unique<TBitmap>();
        LoadBitmapFromFile(*backgroundBitmap_, fileName.toStdString());
    }
    if (backgroundBitmap_) {
        const QSize frame = Podglad1->PictureSize();
        ScaleBackgroundToFrame(*backgroundBitmap_, frame.width(), frame.height());
    }
    keyedBackground_.SetBackground(!pictureFileName_.isEmpty() ? backgroundBitmap_.get() : nullptr);
    Gallery->SetKeying(keyedBackground_.Background(), keyedBackground_.KeyColour());
    PreviewBuild();
}

void TMainForm::Info1Click() {
    const QString text = QString::fromUtf8("Program służy do nakładania efektów graficznych na obraz\n"
                                           "przechwytywany z dowolnego urządzenia zgodnego z\n"
                                           "WDM (kamery, tunery telewizyjne, itp.)\n"
                                           "\n"
                                           "Autor:\n"
                                           "Zespół programistów Tarnolix\n"
                                           "tarnolix@example.org");
    dialogs_.MessageBox(this, "Informacje o programie", text, IDialogs::Icon::Information);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    event->accept();
}
