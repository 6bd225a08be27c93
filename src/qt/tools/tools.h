// qt/tools/: what the program offers beyond the described window, in Qt: the buttons of the
// tool strip and the windows they open (history, port choice, monitor, step-table tools,
// limits).
// Each tool talks to the window model only through Form1's public members and, to hear
// what happens, as a platform::Observer.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QToolBar;
class QWidget;

namespace kelvo {
class Form1;
namespace remote {
struct RemoteOption;
}
} // namespace kelvo

namespace kelvo::tools {

// The environment a tool is built in: the strip its button goes on, the main window as
// the parent of its windows, and the window model.
struct ToolContext {
    QToolBar* strip;
    QWidget* main_window;
    Form1& form;
};

// Each adds its button(s) to the strip; the objects it makes are children of the main
// window and live as long as it.
void add_history_tool(const ToolContext& context);
void add_port_tool(const ToolContext& context);
void add_monitor_tool(const ToolContext& context);
void add_step_tools(const ToolContext& context);
void add_remote_tool(const ToolContext& context);
void add_limits_tool(const ToolContext& context);

// The period's figures on standard error when it ends.
void add_console_log(const ToolContext& context);

// All of them, in the strip's order.
void add_tools(const ToolContext& context);

// Starts the remote tool's socket where the command line says (after add_tools); false, and
// the reason on standard error, when it cannot listen there.
bool start_remote(QWidget* main_window, const remote::RemoteOption& option);
// Closes its clients while the window model they speak to is still there, and takes the
// instrument's mapping back from the portmapper.
void stop_remote(QWidget* main_window);
// Remote control is announced with DNS-SD on loopback too (--announce; after add_tools).
void announce_remote(QWidget* main_window);

} // namespace kelvo::tools
