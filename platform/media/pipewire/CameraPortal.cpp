#include "platform/media/pipewire/CameraPortal.h"

#include <dbus/dbus.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kCamera = "org.freedesktop.portal.Camera";
constexpr const char* kRequest = "org.freedesktop.portal.Request";
constexpr const char* kNotAllowed = "org.freedesktop.portal.Error.NotAllowed";
constexpr int kCallMilliseconds = 25000;
constexpr int kSliceMilliseconds = 200;

struct ConnectionCloser {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using ConnectionPtr = std::unique_ptr<DBusConnection, ConnectionCloser>;
using MessagePtr = std::unique_ptr<DBusMessage, MessageUnref>;

// An error of libdbus, freed with its scope.
struct Error : DBusError {
    Error() { dbus_error_init(this); }
    ~Error() { dbus_error_free(this); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
    bool Set() const { return dbus_error_is_set(this); }
    std::string Text() const { return std::string(name ? name : "") + ": " + (message ? message : ""); }
};

// Appends an empty a{sv}, or one with a single string entry.
void AppendOptions(DBusMessage* message, const char* key = nullptr, const char* value = nullptr) {
    DBusMessageIter args, dict, entry, variant;
    dbus_message_iter_init_append(message, &args);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &dict);
    if (key) {
        dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
        dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "s", &variant);
        dbus_message_iter_append_basic(&variant, DBUS_TYPE_STRING, &value);
        dbus_message_iter_close_container(&entry, &variant);
        dbus_message_iter_close_container(&dict, &entry);
    }
    dbus_message_iter_close_container(&args, &dict);
}

CameraPortalAnswer Absent(std::string detail) {
    return {CameraPortalAnswer::Outcome::Absent, -1, std::move(detail)};
}

// The request object's path the portal will use, known before the call so that the Response
// cannot be missed: /org/freedesktop/portal/desktop/request/SENDER/TOKEN, the sender's unique
// name without its colon and with dots as underscores.
std::string RequestPath(DBusConnection* bus, const std::string& token) {
    std::string sender = dbus_bus_get_unique_name(bus);
    if (!sender.empty() && sender.front() == ':')
        sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.')
            c = '_';
    return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

// Waits for the Response signal on `path`: its code (0 granted, 1 refused, 2 ended otherwise),
// or -1 when the connection broke or the caller stopped waiting.
int WaitForResponse(DBusConnection* bus, const std::string& path, const std::function<bool()>& keepWaiting) {
    while (keepWaiting()) {
        if (!dbus_connection_read_write(bus, kSliceMilliseconds))
            return -1;
        while (DBusMessage* raw = dbus_connection_pop_message(bus)) {
            const MessagePtr message(raw);
            if (!dbus_message_is_signal(raw, kRequest, "Response") ||
                !dbus_message_has_path(raw, path.c_str()))
                continue;
            dbus_uint32_t code = 2;
            DBusMessageIter args;
            if (dbus_message_iter_init(raw, &args) &&
                dbus_message_iter_get_arg_type(&args) == DBUS_TYPE_UINT32)
                dbus_message_iter_get_basic(&args, &code);
            return static_cast<int>(code);
        }
    }
    return -1;
}

} // namespace

CameraPortalAnswer AskCameraPortal(const std::function<bool()>& keepWaiting) {
    Error error;
    // A private connection: its messages are ours alone to read, on this thread.
    ConnectionPtr bus(dbus_bus_get_private(DBUS_BUS_SESSION, &error));
    if (!bus)
        return Absent("no session bus: " + error.Text());
    dbus_connection_set_exit_on_disconnect(bus.get(), false);

    // The Response goes to us alone; the match lets it through before the call returns.
    static int counter = 0;
    const std::string token = "tarnolix" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    const std::string path = RequestPath(bus.get(), token);
    const std::string match =
        "type='signal',interface='" + std::string(kRequest) + "',member='Response',path='" + path + "'";
    dbus_bus_add_match(bus.get(), match.c_str(), &error);
    if (error.Set())
        return Absent("cannot listen for the portal's answer: " + error.Text());

    MessagePtr access(dbus_message_new_method_call(kPortal, kPortalPath, kCamera, "AccessCamera"));
    AppendOptions(access.get(), "handle_token", token.c_str());
    MessagePtr reply(
        dbus_connection_send_with_reply_and_block(bus.get(), access.get(), kCallMilliseconds, &error));
    if (!reply)
        return dbus_error_has_name(&error, kNotAllowed)
                   ? CameraPortalAnswer{CameraPortalAnswer::Outcome::Refused, -1, error.Text()}
                   : Absent("no Camera portal: " + error.Text());
    const char* handle = nullptr;
    if (!dbus_message_get_args(reply.get(), &error, DBUS_TYPE_OBJECT_PATH, &handle, DBUS_TYPE_INVALID))
        return Absent("the Camera portal answered strangely: " + error.Text());
    if (path != handle)
        return Absent(std::string("the Camera portal chose another request path: ") + handle);

    const int response = WaitForResponse(bus.get(), path, keepWaiting);
    if (response < 0)
        return Absent("no answer from the Camera portal");
    if (response != 0)
        return {CameraPortalAnswer::Outcome::Refused, -1, "the portal answered " + std::to_string(response)};

    MessagePtr open(dbus_message_new_method_call(kPortal, kPortalPath, kCamera, "OpenPipeWireRemote"));
    AppendOptions(open.get());
    reply.reset(dbus_connection_send_with_reply_and_block(bus.get(), open.get(), kCallMilliseconds, &error));
    if (!reply)
        return {dbus_error_has_name(&error, kNotAllowed) ? CameraPortalAnswer::Outcome::Refused
                                                         : CameraPortalAnswer::Outcome::Absent,
                -1, error.Text()};
    int descriptor = -1;
    if (!dbus_message_get_args(reply.get(), &error, DBUS_TYPE_UNIX_FD, &descriptor, DBUS_TYPE_INVALID))
        return Absent("the Camera portal gave no descriptor: " + error.Text());
    return {CameraPortalAnswer::Outcome::Granted, descriptor, {}};
}
