#include "cli/WaylandClipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {

// The text types X11 and Wayland programs ask for, as wl-clipboard and Qt offer them.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING",
                                      "STRING", "TEXT"};
constexpr int kWriteTimeoutMs = 2000;

// Writes all of data to a pipe a reader has handed over. A reader that has gone away or reads
// nothing for a while gets less: the program never blocks on it and is not ended by SIGPIPE.
void WriteToReader(int fd, const QByteArray& data) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        pollfd p{fd, POLLOUT, 0};
        if (n < 0 && errno == EAGAIN && ::poll(&p, 1, kWriteTimeoutMs) > 0 &&
            !(p.revents & POLLERR))
            continue;
        break;
    }
    // A SIGPIPE raised by a write to a closed pipe is taken here instead of ending the program.
    const timespec now{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(fd);
}

}  // namespace

bool IsWaylandWithoutX11() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) return platform.startsWith("wayland");
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

struct WaylandClipboard::Connection {
    WaylandClipboard* owner = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
    zwlr_data_control_device_v1* device = nullptr;
    zwlr_data_control_source_v1* source = nullptr;    // this program's offer while it is alive
    zwlr_data_control_offer_v1* newest = nullptr;     // announced, not yet the selection
    zwlr_data_control_offer_v1* selection = nullptr;  // what the seat's clipboard holds
    bool selectionIsHint = false;                     // the selection offers the hint
    bool newestIsHint = false;
    bool broken = false;                    // the compositor went away or the device became inert
    std::unique_ptr<ClipboardOffer> offer;  // what the source offers, while it is alive
    QSocketNotifier* notifier = nullptr;

    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t) {
        auto* c = static_cast<Connection*>(data);
        if (!c->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
            c->seat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (!c->manager &&
                 std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
            c->manager = static_cast<zwlr_data_control_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener kRegistry{Global, GlobalRemove};

    static void OfferType(void* data, zwlr_data_control_offer_v1* offer, const char* type) {
        auto* c = static_cast<Connection*>(data);
        if (offer == c->newest && ClipboardOffer::IsHint(type)) c->newestIsHint = true;
    }
    static constexpr zwlr_data_control_offer_v1_listener kOffer{OfferType};

    static void DataOffer(void* data, zwlr_data_control_device_v1*,
                          zwlr_data_control_offer_v1* offer) {
        auto* c = static_cast<Connection*>(data);
        c->newest = offer;
        c->newestIsHint = false;
        zwlr_data_control_offer_v1_add_listener(offer, &kOffer, c);
    }
    static void Selection(void* data, zwlr_data_control_device_v1*,
                          zwlr_data_control_offer_v1* offer) {
        // The announced offer becomes the selection; the one before it is no longer valid.
        auto* c = static_cast<Connection*>(data);
        if (c->selection && c->selection != offer) zwlr_data_control_offer_v1_destroy(c->selection);
        if (c->newest && c->newest != offer) zwlr_data_control_offer_v1_destroy(c->newest);
        c->selectionIsHint = offer && offer == c->newest && c->newestIsHint;
        c->selection = offer;
        c->newest = nullptr;
    }
    static void Finished(void* data, zwlr_data_control_device_v1*) {
        static_cast<Connection*>(data)->broken = true;
    }
    static constexpr zwlr_data_control_device_v1_listener kDevice{DataOffer, Selection, Finished};

    static void Send(void* data, zwlr_data_control_source_v1*, const char* type, int32_t fd) {
        auto* c = static_cast<Connection*>(data);
        WriteToReader(fd, c->offer ? c->offer->data(type) : QByteArray());
    }
    static void Cancelled(void* data, zwlr_data_control_source_v1*) {
        auto* c = static_cast<Connection*>(data);
        c->owner->endOffer();
        emit c->owner->changed();
    }
    static constexpr zwlr_data_control_source_v1_listener kSource{Send, Cancelled};

    bool roundtrip() {
        if (!broken && wl_display_roundtrip(display) < 0) broken = true;
        return !broken;
    }
};

WaylandClipboard::WaylandClipboard(QObject* parent)
    : ClipboardTransport(parent), c_(std::make_unique<Connection>()) {
    c_->owner = this;
    c_->display = wl_display_connect(nullptr);
    if (!c_->display) return;
    c_->registry = wl_display_get_registry(c_->display);
    wl_registry_add_listener(c_->registry, &Connection::kRegistry, c_.get());
    session_ = Session::NoDataControl;
    if (!c_->roundtrip() || !c_->seat || !c_->manager) return;
    c_->device = zwlr_data_control_manager_v1_get_data_device(c_->manager, c_->seat);
    zwlr_data_control_device_v1_add_listener(c_->device, &Connection::kDevice, c_.get());
    if (!c_->roundtrip()) return;
    session_ = Session::Ready;
    c_->notifier = new QSocketNotifier(wl_display_get_fd(c_->display), QSocketNotifier::Read, this);
    connect(c_->notifier, &QSocketNotifier::activated, this, &WaylandClipboard::dispatch);
}

WaylandClipboard::~WaylandClipboard() {
    clear();
    endOffer();
    if (c_->selection) zwlr_data_control_offer_v1_destroy(c_->selection);
    if (c_->newest) zwlr_data_control_offer_v1_destroy(c_->newest);
    if (c_->device) zwlr_data_control_device_v1_destroy(c_->device);
    if (c_->manager) zwlr_data_control_manager_v1_destroy(c_->manager);
    if (c_->seat) wl_seat_destroy(c_->seat);
    if (c_->registry) wl_registry_destroy(c_->registry);
    if (c_->display) wl_display_disconnect(c_->display);
}

bool WaylandClipboard::put(std::unique_ptr<ClipboardOffer> offer) {
    endOffer();
    if (session_ != Session::Ready || c_->broken) return false;
    const bool secret = offer->secret();
    c_->offer = std::move(offer);
    c_->source = zwlr_data_control_manager_v1_create_data_source(c_->manager);
    zwlr_data_control_source_v1_add_listener(c_->source, &Connection::kSource, c_.get());
    for (const char* type : kTextTypes) zwlr_data_control_source_v1_offer(c_->source, type);
    if (secret) zwlr_data_control_source_v1_offer(c_->source, kPasswordManagerHint);
    zwlr_data_control_device_v1_set_selection(c_->device, c_->source);
    // The compositor announces the new selection to every data-control device, this one too.
    if (c_->roundtrip() && c_->source && c_->selection && c_->selectionIsHint == secret)
        return true;
    endOffer();
    return false;
}

bool WaylandClipboard::holds() const {
    return c_->source && !c_->broken;
}

bool WaylandClipboard::clear() {
    if (!holds()) return false;
    // The compositor empties the clipboard when the offer it holds is withdrawn, and only then:
    // unlike setting an empty selection, this cannot wipe out a copy made a moment ago.
    endOffer();
    return c_->roundtrip() && !c_->selection;
}

void WaylandClipboard::endOffer() {
    if (c_->source) zwlr_data_control_source_v1_destroy(c_->source);
    c_->source = nullptr;
    c_->offer.reset();
}

void WaylandClipboard::dispatch() {
    const bool held = c_->source != nullptr;
    if (wl_display_dispatch(c_->display) < 0 || c_->broken) {
        c_->broken = true;
        c_->notifier->setEnabled(false);
        endOffer();
        if (held) emit changed();
        return;
    }
    wl_display_flush(c_->display);
}
