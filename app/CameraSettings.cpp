#include "app/CameraSettings.h"

#include "platform/com/ItemMoniker.h"
#include "platform/com/PropertyBagInterface.h"
#include "platform/com/Variant.h"
#include "platform/media/sources/CameraControlProperties.h"
#include "platform/runtime/UnicodeText.h"

#include <QAction>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSaveDelayMilliseconds = 400;

QString FriendlyName(IMoniker* moniker) {
    ComPtr<IPropertyBag> bag;
    if (!moniker || FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())) ||
        !bag)
        return {};
    ScopedVariant name;
    if (bag->Read(u"FriendlyName", &name, nullptr) != S_OK)
        return {};
    const std::u16string_view text = name.String();
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void Skipped(const SavedControl& saved, const char* why) {
    std::fprintf(stderr, "tarnolix: camera setting \"%s\" (0x%08x) not applied: %s\n", saved.name.c_str(),
                 saved.id, why);
}

// The saved values, automatic modes first, so that a value under one (the exposure time under
// automatic exposure) is set once the mode it depends on is.
void Apply(ICameraControls& controls, const std::vector<SavedControl>& saved) {
    std::vector<std::pair<SavedControl, CameraControl>> known;
    for (const SavedControl& entry : saved) {
        CameraControl control;
        if (FAILED(controls.GetControl(entry.id, control)))
            Skipped(entry, "the camera has no such control");
        else
            known.emplace_back(entry, control);
    }
    std::stable_partition(known.begin(), known.end(),
                          [](const auto& pair) { return IsAutomaticMode(pair.second); });
    for (const auto& [entry, control] : known) {
        if (entry.text) {
            if (FAILED(controls.SetText(entry.id, *entry.text)))
                Skipped(entry, "the camera refused the text");
            continue;
        }
        if (entry.value < control.minimum || entry.value > control.maximum) {
            const std::string why = "value " + std::to_string(entry.value) + " is outside " +
                                    std::to_string(control.minimum) + ".." + std::to_string(control.maximum);
            Skipped(entry, why.c_str());
        } else if (FAILED(controls.SetValue(entry.id, entry.value))) {
            const std::string why = "the camera refused value " + std::to_string(entry.value);
            Skipped(entry, why.c_str());
        }
    }
}

} // namespace

TCameraSettings::TCameraSettings(QWidget* window, CameraSettingsStore store)
    : window_(window), store_(std::move(store)) {
    action_ = new QAction(QString::fromUtf8("Ustawienia kamery…"), window);
    action_->setObjectName("UstawieniaKamery1");
    action_->setEnabled(false);
    QObject::connect(action_, &QAction::triggered, window, [this] { Open(); });
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(kSaveDelayMilliseconds);
    QObject::connect(&saveTimer_, &QTimer::timeout, window, [this] { Flush(); });
}

TCameraSettings::~TCameraSettings() {
    Flush();
    delete dialog_.data(); // before the controls it holds would outlive the window
}

std::optional<VideoFormat> TCameraSettings::ChosenMode(const std::u16string& camera) const {
    if (const auto chosen = chosenModes_.find(camera); chosen != chosenModes_.end())
        return chosen->second;
    return store_.Camera(Utf16ToUtf8(camera)).mode;
}

void TCameraSettings::ModeChosen(const std::u16string& camera, const VideoFormat& mode) {
    chosenModes_[camera] = mode;
    try {
        store_.SaveMode(Utf16ToUtf8(camera), mode);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnolix: camera settings not saved: %s\n", error.what());
    }
}

void TCameraSettings::CameraStarted(IMoniker* camera, IBaseFilter* source) {
    Flush();
    identity_ = camera ? Utf16ToUtf8(MonikerDisplayName(camera)) : std::string();
    name_ = FriendlyName(camera);
    controls_ = {};
    if (source)
        source->QueryInterface(IID_ICameraControls, controls_.ReceiveVoid());
    if (controls_ && !identity_.empty())
        Apply(*controls_.Get(), store_.Camera(identity_).controls);
    action_->setEnabled(!identity_.empty());
    if (dialog_)
        dialog_->SetCamera(name_, controls_);
}

void TCameraSettings::CameraStopped() {
    Flush();
    identity_.clear();
    controls_ = {};
    action_->setEnabled(false);
    if (dialog_)
        dialog_->CameraStopped();
}

void TCameraSettings::Open() {
    if (!dialog_) {
        dialog_ = new TCameraSettingsDialog(
            window_, [this](const CameraControl& control) { Changed(control); },
            [this] { DefaultsRestored(); });
        dialog_->setAttribute(Qt::WA_DeleteOnClose);
        if (identity_.empty())
            dialog_->CameraStopped();
        else
            dialog_->SetCamera(name_, controls_);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void TCameraSettings::Changed(const CameraControl& control) {
    if (identity_.empty())
        return;
    SavedControl saved{control.id, control.name, control.value, std::nullopt};
    if (control.type == CameraControlType::String)
        saved.text = control.text;
    const auto known = std::find_if(pending_.begin(), pending_.end(),
                                    [&](const SavedControl& pending) { return pending.id == control.id; });
    if (known != pending_.end())
        *known = std::move(saved);
    else
        pending_.push_back(std::move(saved));
    saveTimer_.start();
}

void TCameraSettings::DefaultsRestored() {
    pending_.clear();
    saveTimer_.stop();
    if (identity_.empty())
        return;
    try {
        store_.ForgetControls(identity_);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnolix: camera settings not saved: %s\n", error.what());
    }
}

void TCameraSettings::Flush() {
    saveTimer_.stop();
    if (pending_.empty())
        return;
    try {
        store_.SaveControls(identity_, pending_);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tarnolix: camera settings not saved: %s\n", error.what());
    }
    pending_.clear();
}
