// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/announcer.h"

#include "base/texts.h"

#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/strlst.h>

#include <QNetworkInterface>

#include <initializer_list>
#include <net/if.h>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::qt {

namespace {

// The instance name is one DNS label.
constexpr qsizetype kLabelBytes = 63;
// Names a service of this machine holds already are passed over this many times at most.
constexpr int kMaxLocalRenames = 10;

AvahiStringList* txt_records() {
    const std::string maker = std::string("Manufacturer=") + texts::kProductName.en;
    const std::string model = std::string("Model=") + texts::kAnnounceModel.en;
    const std::string firmware = std::string("FirmwareVersion=") + texts::kProgramVersion.en;
    return avahi_string_list_new("txtvers=1", maker.c_str(), model.c_str(), firmware.c_str(),
                                 nullptr);
}

bool is_any(const QHostAddress& address) {
    return address == QHostAddress::Any || address == QHostAddress::AnyIPv4 ||
           address == QHostAddress::AnyIPv6;
}

QString line(const texts::Text& text, std::initializer_list<std::string_view> values = {}) {
    return QString::fromStdString(texts::fill(text.en, values));
}

// "DNS-SD: announcing "NAME" on the loopback interface lo only: _scpi-raw._tcp 5025, ..."
QString announcing(const QString& name, const Announcement& what) {
    const AvahiIfIndex index = announce_interface(what.address);
    const std::string interface = QNetworkInterface::interfaceNameFromIndex(index).toStdString();
    std::string where = texts::kAnnounceEverywhere.en;
    if (what.address.isLoopback()) {
        where = texts::fill(texts::kAnnounceLoopback.en, {interface});
    } else if (index != AVAHI_IF_UNSPEC) {
        where = interface;
    }
    std::string services;
    for (const AnnouncedService& service : what.services) {
        services +=
            (services.empty() ? "" : ", ") + service.type + " " + std::to_string(service.port);
    }
    return line(texts::kAnnouncing, {name.toStdString(), where, services});
}

// No system bus, or no daemon on it: not an error, one line.
QString no_client(int error) {
    return error == AVAHI_ERR_NO_DAEMON ? line(texts::kAnnounceNoDaemon)
                                        : line(texts::kAnnounceFailed, {avahi_strerror(error)});
}

} // namespace

std::vector<AnnouncedService> instrument_services(quint16 raw_port,
                                                  std::optional<quint16> vxi11_port) {
    std::vector<AnnouncedService> services{{"_scpi-raw._tcp", raw_port}};
    if (vxi11_port) {
        services.push_back({"_vxi-11._tcp", *vxi11_port});
    }
    return services;
}

QString instrument_name(const QString& host) {
    QString name = line(texts::kAnnounceName, {host.trimmed().toStdString()}).trimmed();
    while (name.toUtf8().size() > kLabelBytes) {
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    }
    return name.trimmed();
}

AvahiIfIndex announce_interface(const QHostAddress& address) {
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    if (address.isLoopback()) {
        for (const QNetworkInterface& interface : interfaces) {
            if (interface.flags().testFlag(QNetworkInterface::IsLoopBack)) {
                return interface.index();
            }
        }
        return static_cast<AvahiIfIndex>(::if_nametoindex("lo"));
    }
    if (is_any(address)) {
        return AVAHI_IF_UNSPEC;
    }
    for (const QNetworkInterface& interface : interfaces) {
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().isEqual(address)) {
                return interface.index();
            }
        }
    }
    return AVAHI_IF_UNSPEC;
}

AvahiProtocol announce_protocol(const QHostAddress& address) {
    if (address == QHostAddress::Any) {
        return AVAHI_PROTO_UNSPEC;
    }
    switch (address.protocol()) {
    case QAbstractSocket::IPv4Protocol:
        return AVAHI_PROTO_INET;
    case QAbstractSocket::IPv6Protocol:
        return AVAHI_PROTO_INET6;
    default:
        return AVAHI_PROTO_UNSPEC;
    }
}

Announcer::Announcer(QObject* parent) : QObject(parent) {}

Announcer::~Announcer() {
    withdraw();
}

bool Announcer::announce(const Announcement& what, QString& note) {
    withdraw();
    wanted_ = what;
    name_ = what.name;
    QString refused;
    note_ = &refused;
    int error = 0;
    const bool connected = connect_client(error);
    note_ = nullptr;
    if (!connected) {
        wanted_.reset();
        note = no_client(error);
        return false;
    }
    if (!refused.isEmpty()) {
        withdraw();
        note = refused;
        return false;
    }
    if (avahi_client_get_state(client_) == AVAHI_CLIENT_CONNECTING) {
        note = line(texts::kAnnounceWaiting);
        return false;
    }
    note = announcing(name_, what);
    return true;
}

void Announcer::withdraw() {
    ++generation_;
    wanted_.reset();
    lost_ = false;
    group_ = nullptr;
    if (client_ != nullptr) {
        // The client frees its entry group: the daemon says goodbye for each service.
        avahi_client_free(client_);
        client_ = nullptr;
    }
    set_established(false);
}

// Without a daemon (but with the system bus) the client waits for one and announces then.
bool Announcer::connect_client(int& error) {
    client_ = avahi_client_new(poll_.api(), AVAHI_CLIENT_NO_FAIL, &Announcer::client_changed, this,
                               &error);
    return client_ != nullptr;
}

// The client of a daemon that has gone cannot be used again, nor freed inside its own
// callback: a new one takes its place from the event loop and waits for the daemon's return.
void Announcer::reconnect(std::uint64_t generation) {
    if (generation != generation_ || client_ == nullptr) {
        return;
    }
    group_ = nullptr;
    avahi_client_free(client_);
    client_ = nullptr;
    int error = 0;
    if (!connect_client(error)) {
        wanted_.reset();
        tell(no_client(error));
    }
}

void Announcer::client_changed(AvahiClient* client, AvahiClientState state, void* userdata) {
    auto* self = static_cast<Announcer*>(userdata);
    switch (state) {
    case AVAHI_CLIENT_S_RUNNING:
        if (self->lost_) {
            self->lost_ = false;
            self->tell(line(texts::kAnnounceBack, {self->name_.toStdString()}));
        }
        self->refuse(self->publish(client));
        break;
    case AVAHI_CLIENT_S_COLLISION:
    case AVAHI_CLIENT_S_REGISTERING:
        // The host's own name changes: the services wait for the new one.
        if (self->group_ != nullptr) {
            avahi_entry_group_reset(self->group_);
        }
        self->set_established(false);
        break;
    case AVAHI_CLIENT_FAILURE:
        self->client_lost(avahi_client_errno(client));
        break;
    case AVAHI_CLIENT_CONNECTING:
        break;
    }
}

void Announcer::client_lost(int error) {
    set_established(false);
    if (!wanted_) {
        return;
    }
    const std::uint64_t generation = generation_;
    if (error == AVAHI_ERR_DISCONNECTED) {
        lost_ = true;
        tell(line(texts::kAnnounceGone));
        QMetaObject::invokeMethod(
            this, [this, generation] { reconnect(generation); }, Qt::QueuedConnection);
        return;
    }
    refuse(failure(error));
}

void Announcer::group_changed(AvahiEntryGroup* group, AvahiEntryGroupState state, void* userdata) {
    auto* self = static_cast<Announcer*>(userdata);
    switch (state) {
    case AVAHI_ENTRY_GROUP_ESTABLISHED:
        self->set_established(true);
        break;
    case AVAHI_ENTRY_GROUP_COLLISION:
        // Another instrument on the network has the name: the next one Avahi offers.
        self->set_established(false);
        self->take_alternative_name();
        avahi_entry_group_reset(group);
        self->refuse(self->publish(avahi_entry_group_get_client(group)));
        break;
    case AVAHI_ENTRY_GROUP_FAILURE:
        self->set_established(false);
        self->refuse(failure(avahi_client_errno(avahi_entry_group_get_client(group))));
        break;
    case AVAHI_ENTRY_GROUP_UNCOMMITED:
    case AVAHI_ENTRY_GROUP_REGISTERING:
        break;
    }
}

QString Announcer::publish(AvahiClient* client) {
    if (!wanted_) {
        return {};
    }
    const Announcement what = *wanted_;
    if (group_ == nullptr) {
        group_ = avahi_entry_group_new(client, &Announcer::group_changed, this);
        if (group_ == nullptr) {
            return failure(avahi_client_errno(client));
        }
    }
    if (avahi_entry_group_is_empty(group_) == 0) {
        return {};
    }
    int error = add_services(what);
    // A service of this machine holds the name already.
    for (int tries = 0; error == AVAHI_ERR_COLLISION && tries < kMaxLocalRenames; ++tries) {
        take_alternative_name();
        avahi_entry_group_reset(group_);
        error = add_services(what);
    }
    if (error == AVAHI_OK) {
        error = avahi_entry_group_commit(group_);
    }
    return failure(error);
}

int Announcer::add_services(const Announcement& what) {
    const AvahiIfIndex where = announce_interface(what.address);
    const AvahiProtocol over = announce_protocol(what.address);
    const QByteArray name = name_.toUtf8();
    AvahiStringList* txt = txt_records();
    int error = AVAHI_OK;
    for (const AnnouncedService& service : what.services) {
        error = avahi_entry_group_add_service_strlst(group_, where, over, AvahiPublishFlags{},
                                                     name.constData(), service.type.c_str(),
                                                     nullptr, nullptr, service.port, txt);
        if (error < 0) {
            break;
        }
    }
    avahi_string_list_free(txt);
    return error;
}

void Announcer::take_alternative_name() {
    char* other = avahi_alternative_service_name(name_.toUtf8().constData());
    const QString taken = name_;
    name_ = QString::fromUtf8(other);
    avahi_free(other);
    tell(line(texts::kAnnounceRenamed, {taken.toStdString(), name_.toStdString()}));
}

QString Announcer::failure(int error) {
    return error < 0 ? line(texts::kAnnounceFailed, {avahi_strerror(error)}) : QString();
}

// Inside announce() a refusal is its note; later it is said.
void Announcer::refuse(const QString& why) {
    if (why.isEmpty()) {
        return;
    }
    if (note_ != nullptr) {
        *note_ = why;
        return;
    }
    tell(why);
}

void Announcer::tell(const QString& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { emit said(text); }, Qt::QueuedConnection);
}

void Announcer::set_established(bool established) {
    if (established_ == established) {
        return;
    }
    established_ = established;
    QMetaObject::invokeMethod(
        this, [this] { emit state_changed(); }, Qt::QueuedConnection);
}

} // namespace kelvo::qt
