#include "app/CameraSettingsDialog.h"

#include "app/ControlCaptions.h"
#include "platform/media/sources/CameraControlProperties.h"
#include "platform/windows/PostedCall.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <climits>

namespace {

bool FitsSlider(const CameraControl& control) {
    return control.minimum >= INT_MIN && control.maximum <= INT_MAX && control.step > 0 &&
           control.step <= INT_MAX;
}

bool Settable(const CameraControl& control) {
    return control.type != CameraControlType::Class && control.type != CameraControlType::Compound &&
           control.type != CameraControlType::Button && !control.readOnly;
}

QString BitmaskText(int64_t value) {
    return QString("0x%1").arg(static_cast<qulonglong>(static_cast<uint32_t>(value)), 8, 16, QChar('0'));
}

} // namespace

TCameraSettingsDialog::TCameraSettingsDialog(QWidget* parent, ChangeHandler changed,
                                             std::function<void()> defaultsRestored)
    : QDialog(parent), changed_(std::move(changed)), defaultsRestored_(std::move(defaultsRestored)) {
    setModal(false);
    setObjectName("CameraSettings");
    auto* layout = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    body_ = new QVBoxLayout(inner);
    scroll->setWidget(inner);
    layout->addWidget(scroll);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* defaults =
        buttons->addButton(QString::fromUtf8("Przywróć domyślne"), QDialogButtonBox::ResetRole);
    defaults->setObjectName("RestoreDefaults");
    QPushButton* close = buttons->addButton(QString::fromUtf8("Zamknij"), QDialogButtonBox::RejectRole);
    connect(defaults, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(460, 560);
}

TCameraSettingsDialog::~TCameraSettingsDialog() {
    Detach();
}

void TCameraSettingsDialog::Detach() {
    // Unadvise waits for a handler call in progress, so none runs once it returns.
    if (controls_ && cookie_)
        controls_->Unadvise(cookie_);
    cookie_ = 0;
    controls_ = {};
}

void TCameraSettingsDialog::SetCamera(const QString& name, ComPtr<ICameraControls> controls) {
    Detach();
    setWindowTitle(name.isEmpty() ? QString::fromUtf8("Ustawienia kamery") : name);
    controls_ = std::move(controls);
    running_ = true;
    if (controls_) {
        // Queued to this window's thread; a call queued after the window went is dropped by Qt.
        controls_->Advise(
            [this](const CameraControl& control) {
                const uint32_t id = control.id;
                PostCall(this, [this, id] { Update(id); });
            },
            &cookie_);
    }
    Build();
}

void TCameraSettingsDialog::CameraStopped() {
    Detach();
    running_ = false;
    Build();
}

void TCameraSettingsDialog::Build() {
    rows_.clear();
    delete content_;
    content_ = new QWidget;
    auto* layout = new QVBoxLayout(content_);
    layout->setContentsMargins(0, 0, 0, 0);
    body_->addWidget(content_);
    std::vector<CameraControl> controls;
    if (!controls_ || FAILED(controls_->GetControls(controls)))
        controls.clear();
    const bool any = std::any_of(controls.begin(), controls.end(), [](const CameraControl& control) {
        return control.type != CameraControlType::Class;
    });
    if (!any) {
        auto* note = new QLabel(running_ ? QString::fromUtf8("Ta kamera nie oferuje żadnych ustawień.")
                                         : QString::fromUtf8("Żadna kamera nie działa."),
                                content_);
        note->setObjectName("NoSettings");
        note->setWordWrap(true);
        layout->addWidget(note);
        layout->addStretch();
        return;
    }
    QGroupBox* group = nullptr;
    for (const CameraControl& control : controls) {
        if (control.type == CameraControlType::Class || !group) {
            group = new QGroupBox(control.type == CameraControlType::Class ? ControlClassCaption(control)
                                                                           : QString(),
                                  content_);
            new QFormLayout(group);
            layout->addWidget(group);
            if (control.type == CameraControlType::Class)
                continue;
        }
        AddRow(group, control);
    }
    layout->addStretch();
    // The first control takes the keyboard focus, in the driver's order.
    for (const CameraControl& control : controls)
        if (const auto row = rows_.find(control.id); row != rows_.end() && row->second.editor->isEnabled()) {
            row->second.editor->setFocus(Qt::OtherFocusReason);
            break;
        }
}

void TCameraSettingsDialog::AddRow(QWidget* group, const CameraControl& control) {
    auto* form = static_cast<QFormLayout*>(group->layout());
    Row row{control};
    const QString caption = ControlCaption(control);
    const uint32_t id = control.id;
    switch (control.type) {
    case CameraControlType::Boolean: {
        auto* box = new QCheckBox(group);
        connect(box, &QCheckBox::toggled, this, [this, id](bool on) { UserSet(id, on ? 1 : 0); });
        row.editor = box;
        break;
    }
    case CameraControlType::Menu:
    case CameraControlType::IntegerMenu: {
        auto* list = new QComboBox(group);
        for (const CameraControlMenuItem& item : control.menu)
            list->addItem(MenuItemCaption(control, item), QVariant::fromValue<qlonglong>(item.index));
        connect(list, &QComboBox::activated, this,
                [this, id, list](int index) { UserSet(id, list->itemData(index).toLongLong()); });
        row.editor = list;
        break;
    }
    case CameraControlType::Button: {
        auto* button = new QPushButton(caption, group);
        connect(button, &QPushButton::clicked, this, [this, id] { UserSet(id, 1); });
        row.editor = button;
        break;
    }
    case CameraControlType::Integer:
    case CameraControlType::Integer64:
        if (FitsSlider(control)) {
            auto* pair = new QWidget(group);
            auto* line = new QHBoxLayout(pair);
            line->setContentsMargins(0, 0, 0, 0);
            auto* slider = new QSlider(Qt::Horizontal, pair);
            auto* spin = new QSpinBox(pair);
            line->addWidget(slider, 1);
            line->addWidget(spin);
            connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
            connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
            connect(spin, &QSpinBox::valueChanged, this, [this, id](int value) { UserSet(id, value); });
            slider->setAccessibleName(caption);
            row.editor = slider;
            row.spin = spin;
            form->addRow(caption, pair);
            row.label = static_cast<QLabel*>(form->labelForField(pair));
            break;
        }
        [[fallthrough]];
    case CameraControlType::Bitmask:
    case CameraControlType::String: {
        auto* text = new QLineEdit(group);
        connect(text, &QLineEdit::editingFinished, this, [this, id, text] {
            const auto found = rows_.find(id);
            if (found == rows_.end())
                return;
            if (found->second.control.type == CameraControlType::String) {
                UserSetText(id, text->text());
                return;
            }
            bool valid = false;
            const qlonglong value = text->text().trimmed().toLongLong(&valid, 0);
            if (valid)
                UserSet(id, value);
            else
                Show(found->second);
        });
        row.editor = text;
        break;
    }
    default: {
        auto* unsupported = new QLabel(QString::fromUtf8("(wartość złożona, tylko do odczytu)"), group);
        row.editor = unsupported;
        break;
    }
    }
    if (!row.label) {
        form->addRow(control.type == CameraControlType::Button ? QString() : caption, row.editor);
        row.label = static_cast<QLabel*>(form->labelForField(row.editor));
    }
    row.editor->setObjectName(QString("Control%1").arg(id, 8, 16, QChar('0')));
    Show(rows_.emplace(id, std::move(row)).first->second);
}

void TCameraSettingsDialog::Show(Row& row) {
    const CameraControl& control = row.control;
    const QSignalBlocker editorQuiet(row.editor);
    if (auto* slider = qobject_cast<QSlider*>(row.editor)) {
        auto* spin = static_cast<QSpinBox*>(row.spin);
        const QSignalBlocker spinQuiet(spin);
        const int step = static_cast<int>(std::max<int64_t>(control.step, 1));
        slider->setRange(static_cast<int>(control.minimum), static_cast<int>(control.maximum));
        slider->setSingleStep(step);
        slider->setPageStep(std::max(step, static_cast<int>((control.maximum - control.minimum) / 10)));
        spin->setRange(static_cast<int>(control.minimum), static_cast<int>(control.maximum));
        spin->setSingleStep(step);
        slider->setValue(static_cast<int>(control.value));
        spin->setValue(static_cast<int>(control.value));
    } else if (auto* box = qobject_cast<QCheckBox*>(row.editor)) {
        box->setChecked(control.value != 0);
    } else if (auto* list = qobject_cast<QComboBox*>(row.editor)) {
        list->setCurrentIndex(list->findData(QVariant::fromValue<qlonglong>(control.value)));
    } else if (auto* text = qobject_cast<QLineEdit*>(row.editor)) {
        text->setText(control.type == CameraControlType::String    ? QString::fromStdString(control.text)
                      : control.type == CameraControlType::Bitmask ? BitmaskText(control.value)
                                                                   : QString::number(control.value));
    }
    const bool enabled = !control.readOnly && !control.inactive && !control.busy &&
                         control.type != CameraControlType::Compound;
    row.editor->setEnabled(enabled);
    if (row.spin)
        row.spin->setEnabled(enabled);
    if (row.label)
        row.label->setEnabled(enabled);
}

void TCameraSettingsDialog::UserSet(uint32_t id, int64_t value) {
    const auto found = rows_.find(id);
    if (!controls_ || found == rows_.end())
        return;
    Row& row = found->second;
    if (SUCCEEDED(controls_->SetValue(id, value))) {
        row.control.value = value;
        if (row.control.type != CameraControlType::Button && changed_)
            changed_(row.control);
    } else {
        Refresh(row); // the camera's value back in the widgets
    }
    Show(row);
}

void TCameraSettingsDialog::Refresh(Row& row) {
    CameraControl now;
    if (SUCCEEDED(controls_->GetControl(row.control.id, now))) {
        now.menu = std::move(row.control.menu);
        row.control = std::move(now);
    }
}

void TCameraSettingsDialog::UserSetText(uint32_t id, const QString& text) {
    const auto found = rows_.find(id);
    if (!controls_ || found == rows_.end())
        return;
    Row& row = found->second;
    if (SUCCEEDED(controls_->SetText(id, text.toStdString()))) {
        row.control.text = text.toStdString();
        if (changed_)
            changed_(row.control);
    } else {
        Refresh(row);
    }
    Show(row);
}

void TCameraSettingsDialog::Update(uint32_t id) {
    // Read afresh rather than taken from the event: by the time the queued call runs, the user
    // may have set a newer value, which a stale one would put back in the widget to step from.
    const auto found = rows_.find(id);
    if (!controls_ || found == rows_.end())
        return;
    Refresh(found->second);
    Show(found->second);
}

QWidget* TCameraSettingsDialog::Editor(uint32_t id) const {
    const auto found = rows_.find(id);
    return found != rows_.end() ? found->second.editor : nullptr;
}

void TCameraSettingsDialog::RestoreDefaults() {
    if (!controls_)
        return;
    std::vector<CameraControl> controls;
    controls_->GetControls(controls);
    // Automatic modes first, so that the values under them are set while they count.
    std::stable_partition(controls.begin(), controls.end(),
                          [](const CameraControl& control) { return IsAutomaticMode(control); });
    for (const CameraControl& control : controls)
        if (Settable(control) && control.type != CameraControlType::String &&
            control.value != control.defaultValue)
            controls_->SetValue(control.id, control.defaultValue);
    if (defaultsRestored_)
        defaultsRestored_();
    for (auto& [id, row] : rows_) {
        Refresh(row);
        Show(row);
    }
}
