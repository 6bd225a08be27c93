// The remote control button of the tool strip: it starts and stops the SCPI socket on this
// machine's port 5025 and shows how many clients are connected. --remote starts the same
// socket at start-up, on the address it names. Either is announced with DNS-SD while it
// listens beyond this machine, or on loopback too with --announce.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/remote/remote_address.h"
#include "qt/remote/remote_server.h"
#include "qt/tools/remote_announcing.h"
#include "qt/tools/tool.h"
#include "remote/remote_option.h"

#include <QWidget>

#include <iostream>

namespace kelvo::tools {

namespace {

class RemoteTool final : public Tool<QObject> {
public:
    RemoteTool(QWidget* parent, Form1& form, QAction* button, RemoteServer* server)
        : Tool(parent, form), button_(button), server_(server) {
        button_->setCheckable(true);
        connect(button_, &QAction::triggered, this, [this] { toggle(); });
        connect(server_, &RemoteServer::state_changed, this, [this] { show_state(); });
        show_state();
    }

private:
    void retranslate() override { show_state(); }

    void toggle() {
        if (server_->listening()) {
            server_->stop();
            return;
        }
        QString why;
        const QString where = QString::fromLatin1(remote::kDefaultAddress) + QLatin1Char(':') +
                              QString::number(remote::kDefaultPort);
        if (!server_->start(QString::fromLatin1(remote::kDefaultAddress), remote::kDefaultPort,
                            why)) {
            show_state();
            form_.show_message(texts::fill(form_.text(texts::kRemoteCannotListen),
                                           {where.toStdString(), why.toStdString()}),
                               form_.text(texts::kRemoteTitle));
        }
    }

    void show_state() {
        const bool on = server_->listening();
        button_->setChecked(on);
        button_->setText(
            QString::fromStdString(on ? texts::fill(form_.text(texts::kRemoteClients),
                                                    {std::to_string(server_->client_count())})
                                      : std::string(form_.text(texts::kRemoteOff))));
        const std::string where =
            on ? server_->where().toStdString()
               : std::string(remote::kDefaultAddress) + ":" + std::to_string(remote::kDefaultPort);
        QString tip = QString::fromStdString(texts::fill(form_.text(texts::kRemoteTip), {where}));
        if (on) {
            tip += QLatin1Char('\n') + server_->instrument_state(true);
        }
        button_->setToolTip(tip);
    }

    QAction* button_;
    RemoteServer* server_;
};

} // namespace

void add_remote_tool(const ToolContext& context) {
    QAction* button = context.strip->addAction(QString());
    button->setObjectName(QStringLiteral("remoteTool"));
    auto* server = new RemoteServer(context.main_window, context.form);
    new RemoteAnnouncing(server);
    new RemoteTool(context.main_window, context.form, button, server);
}

void announce_remote(QWidget* main_window) {
    if (auto* announcing =
            main_window->findChild<RemoteAnnouncing*>(QStringLiteral("remoteAnnouncing"))) {
        announcing->set_always(true);
    }
}

bool start_remote(QWidget* main_window, const remote::RemoteOption& option) {
    auto* server = main_window->findChild<RemoteServer*>(QStringLiteral("remoteServer"));
    const QString address = QString::fromStdString(option.address);
    const std::string where = option.address + ":" + std::to_string(option.port);
    QString why;
    if (server == nullptr || !server->start(address, option.port, why)) {
        std::cerr << texts::fill(texts::kRemoteCannotListen.en, {where, why.toStdString()}) << '\n';
        return false;
    }
    if (!qt::remote_address(address).isLoopback()) {
        std::cerr << texts::fill(texts::kRemoteOpenNetwork.en, {where}) << '\n';
    }
    std::cerr << texts::fill(texts::kRemoteListening.en, {server->where().toStdString()}) << '\n';
    std::cerr << server->instrument_state().toStdString() << '\n';
    return true;
}

void stop_remote(QWidget* main_window) {
    if (auto* server = main_window->findChild<RemoteServer*>(QStringLiteral("remoteServer"))) {
        server->stop();
    }
}

} // namespace kelvo::tools
