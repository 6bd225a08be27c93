// qt/remote/: the instrument announced with DNS-SD through the system's Avahi daemon while
// remote control listens, so that a bench script or a VISA browser finds it by its name.
// One entry group holds every service of the instrument (instrument_services()), each under
// the instrument's name. The TXT records are those of a LAN instrument: txtvers,
// Manufacturer, Model, FirmwareVersion. The client runs on the window's thread
// (qt/remote/avahi_poll.h).
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "qt/remote/avahi_poll.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::qt {

// One DNS-SD service type ("_scpi-raw._tcp") and the port it is reached on.
struct AnnouncedService {
    std::string type;
    quint16 port = 0;
    bool operator==(const AnnouncedService&) const = default;
};

struct Announcement {
    // The instance name, as instrument_name() makes it.
    QString name;
    // Where remote control listens: it decides the interface (announce_interface()).
    QHostAddress address;
    std::vector<AnnouncedService> services;
};

// What remote control serves: the SCPI socket always; VXI-11 when it is served, on the port
// where its clients begin (the portmapper's). No _lxi._tcp: that type names an instrument's
// web page, and a browser sent to the SCPI socket would have its request lines taken as
// commands by a live supply.
std::vector<AnnouncedService> instrument_services(quint16 raw_port,
                                                  std::optional<quint16> vxi11_port = {});

// "KELVO power supply on HOST", cut to the 63 bytes a DNS label holds.
QString instrument_name(const QString& host);

// A service listening on loopback only is announced on the loopback interface only (on the
// network it would be a lie); one on the any address on every interface; one on an address
// of this machine on the interface holding it (every interface when none does).
AvahiIfIndex announce_interface(const QHostAddress& address);
// An IPv4 address is announced over IPv4 only, an IPv6 one over IPv6 only, the any address
// of both over both.
AvahiProtocol announce_protocol(const QHostAddress& address);

class Announcer final : public QObject {
    Q_OBJECT
public:
    explicit Announcer(QObject* parent = nullptr);
    // Withdraws the announcement.
    ~Announcer() override;
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    // Hands the announcement to the daemon (in place of one made before); the one line to
    // tell of it goes in `note`. True when the daemon has it; false when no daemon runs
    // (announced once one starts, if the system bus is there) or it refused the
    // announcement. Neither stops the program.
    bool announce(const Announcement& what, QString& note);
    // The services leave the network at once; the client goes.
    void withdraw();

    // Every service of the announcement is established on the network.
    bool announced() const { return established_; }
    // The name in use: the one asked for, or the daemon's choice after a collision.
    QString name() const { return name_; }

signals:
    // What happens later, in one line each: a collision and the new name, the daemon gone
    // or back, a refusal. Both signals come from the event loop, never from inside one of
    // Avahi's callbacks, so a slot may withdraw() or delete the announcer.
    void said(const QString& line);
    void state_changed();

private:
    static void client_changed(AvahiClient* client, AvahiClientState state, void* userdata);
    static void group_changed(AvahiEntryGroup* group, AvahiEntryGroupState state, void* userdata);

    // A line for the failure with Avahi's error number, or nothing for none.
    static QString failure(int error);
    bool connect_client(int& error);
    void reconnect(std::uint64_t generation);
    // The services into the entry group, committed; a line for what went wrong, if anything.
    QString publish(AvahiClient* client);
    int add_services(const Announcement& what);
    void take_alternative_name();
    void client_lost(int error);
    // A refusal of the daemon's: the note of announce() while that runs, said otherwise.
    void refuse(const QString& why);
    void tell(const QString& text);
    void set_established(bool established);

    // Before the client, which uses it until it is freed.
    AvahiQtPoll poll_;
    AvahiClient* client_ = nullptr;
    AvahiEntryGroup* group_ = nullptr;
    std::optional<Announcement> wanted_;
    QString name_;
    bool established_ = false;
    // The daemon went away while announcing: its return is told.
    bool lost_ = false;
    // Inside announce(): where a refusal goes.
    QString* note_ = nullptr;
    // Each announce() and withdraw() makes reconnections planned before them moot.
    std::uint64_t generation_ = 0;
};

} // namespace kelvo::qt
