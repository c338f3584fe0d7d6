// A stand-in for a desktop's portal backend, for tests: it owns
// org.freedesktop.impl.portal.desktop.<name> on the session bus and answers every
// org.freedesktop.impl.portal.Access.AccessDialog with the response given (0 grants, 1 refuses),
// as a user clicking in the dialog would.
//   portal_access_stand_in <name> <response>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dbus/dbus.h>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: portal_access_stand_in NAME RESPONSE\n");
        return 2;
    }
    const std::string name = std::string("org.freedesktop.impl.portal.desktop.") + argv[1];
    const dbus_uint32_t response = static_cast<dbus_uint32_t>(std::atoi(argv[2]));
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    if (!bus || dbus_bus_request_name(bus, name.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) !=
                    DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        std::fprintf(stderr, "portal_access_stand_in: cannot own %s: %s\n", name.c_str(),
                     error.message ? error.message : "taken");
        return 1;
    }
    while (dbus_connection_read_write(bus, -1)) {
        while (DBusMessage* message = dbus_connection_pop_message(bus)) {
            if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL) {
                dbus_message_unref(message);
                continue;
            }
            DBusMessage* reply = nullptr;
            if (dbus_message_is_method_call(message, "org.freedesktop.impl.portal.Access", "AccessDialog")) {
                reply = dbus_message_new_method_return(message);
                DBusMessageIter args, results;
                dbus_message_iter_init_append(reply, &args);
                dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &response);
                dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &results);
                dbus_message_iter_close_container(&args, &results);
                std::fprintf(stderr, "portal_access_stand_in: answered %u\n", response);
            } else {
                reply = dbus_message_new_error(message, DBUS_ERROR_UNKNOWN_METHOD, "only AccessDialog");
            }
            dbus_connection_send(bus, reply, nullptr);
            dbus_connection_flush(bus);
            dbus_message_unref(reply);
            dbus_message_unref(message);
        }
    }
    return 0;
}
