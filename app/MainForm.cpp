#include "app/MainForm.h"

#include "app/ErrorBox.h"
#include "platform/media/DeviceEnumInterfaces.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>

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

} // namespace

TMainForm::TMainForm(IDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), frameHandler_(selection_, ProgramRandom()) {
    setWindowTitle("Tarnolix");
    CreateLayout();
    CreateActions();
    CreateMenus();
}

TMainForm::~TMainForm() {
    if (!closed_)
        FormCloseQuery();
}

void TMainForm::CreateLayout() {
    const double scale = logicalDpiX() > 0 ? static_cast<double>(logicalDpiX()) / kDesignDpi : 1.0;
    const auto scaled = [scale](int design) { return static_cast<int>(design * scale + 0.5); };

    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette face = client->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button)); // the system's button face
    client->setPalette(face);
    auto* layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scaled(kStrip));

    VideoWindow = new QWidget(client);
    VideoWindow->setObjectName("VideoWindow");
    VideoWindow->setFixedWidth(scaled(kVideoWidth));
    VideoWindow->setAutoFillBackground(true);
    QPalette black = VideoWindow->palette();
    black.setColor(QPalette::Window, Qt::black);
    VideoWindow->setPalette(black);

    Podglad1 = new TImagePane(client);
    Podglad1->setObjectName("Podglad1");
    Podglad1->setPalette(face);

    layout->addWidget(VideoWindow);
    layout->addWidget(Podglad1, 1); // follows the window's width
    setCentralWidget(client);

    move(scaled(kLeft), scaled(kTop));
    resize(scaled(kClientWidth), scaled(kClientHeight) + menuBar()->sizeHint().height());
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
    Info1 = new QAction("Info", this);
    Info1->setObjectName("Info1");
    connect(Info1, &QAction::triggered, this, [this] { RunCommand([this] { Info1Click(); }); });
}

void TMainForm::CreateMenus() {
    Devices = menuBar()->addMenu(QString::fromUtf8("Urządzenia"));
    Devices->setObjectName("Devices");
    Efekty1 = menuBar()->addMenu("Efekty");
    Efekty1->setObjectName("Efekty1");
    for (const TEffectInfo& info : EffectCatalogue()) {
        Efekty1->addAction(EffectAction(info.item));
        if (info.item == TEffectItem::Obraznormalny1)
            Efekty1->addSeparator()->setObjectName("N1");
    }
    menuBar()->addAction(Zrbzdjcie1);
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
}

void TMainForm::FillDeviceMenu() {
    deviceEnumerator_ = std::make_unique<TSysDevEnum>(CLSID_VideoInputDeviceCategory);
    const int count = deviceEnumerator_->DeviceCount();
    for (int i = 0; i < count; ++i) {
        auto* item =
            new QAction(QString::fromStdString(deviceEnumerator_->DeviceEntries(i).FriendlyName), Devices);
        item->setProperty("Tag", i);
        Devices->addAction(item);
    }
}

void TMainForm::FormCloseQuery() {
    deviceEnumerator_.reset();
    backgroundBitmap_.reset();
    closed_ = true;
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
