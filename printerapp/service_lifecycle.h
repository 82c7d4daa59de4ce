// The printer application as a service: its state file, its listeners, and
// stopping and starting again, where PAPPL 1.3 alone falls short.
#pragma once

#include <pappl/pappl.h>

#include <string>

// The state file of a program of this name, where PAPPL's main loop would
// keep it: $SNAP_COMMON/NAME.state, /var/lib/NAME.state as root,
// $XDG_CONFIG_HOME/NAME.state, ~/.config/NAME.state, else NAME<uid>.state in
// the temporary folder.
std::string StateFilePath(const char* name);

// Loads the system's state from `path` and saves every later change there,
// at most about once a second while the server runs and at once when it shuts
// down. PAPPL writes the whole state, each printer with every job of its
// history, after every job: for a small receipt that write cost more than
// printing it. A change is at most two seconds from the file (PAPPL alone
// leaves it unsaved until the next client connects, up to half a minute).
// The drivers must be in place first: loading creates the printers.
void LoadStateAndSaveEverySecond(pappl_system_t* system, const std::string& path);

// PAPPL 1.3 saves a job that never received a document (Create-Job, then
// Cancel-Job) without a document format, and its loader stops at such a
// line: every job and printer after it is lost. Returns the text with every
// such job given the format PAPPL uses for an unknown document.
std::string RepairStateText(const std::string& text);
// Repairs the file in place (a new file renamed over it); false with a
// message when it cannot be read or written. A missing file is fine.
bool RepairStateFile(const std::string& path, std::string& error);

// True when every address the server is asked to listen on (`hostname`,
// nullptr or "*" for all, with the system's port) can be bound; otherwise
// false with the addresses and the reasons in `error`. PAPPL 1.3 serves on
// whichever of them it could bind, and says nothing of the others.
bool ListenersFree(pappl_system_t* system, const char* hostname, std::string& error);

// Held by a running server for its whole life, so that "shutdown" can wait
// for the process to end. False with a message when another server of this
// name holds it.
bool HoldServerLock(const char* name, std::string& error);
// After a shutdown request: signals the server to let its clients go, and
// waits until no server of this name holds the lock, at most `seconds`;
// false when one still does.
bool WaitForServerEnd(const char* name, double seconds);

// Starts the thread that, once "shutdown" has asked the server to stop and
// signalled it, closes the connections of clients and wakes PAPPL's loop:
// PAPPL 1.3 waits for every client to leave (keep-alive clients, CUPS among
// them, stay for half a minute) and notices the request only when its wait
// for new connections ends.
void WatchForShutdown();

// Starts watching the DNS-SD daemon: when it comes back after it was gone
// (restarted, or started after the server), the server ends as on SIGTERM
// and RestartWanted() turns true, so that main starts it again and it
// announces its printers anew.
void WatchDnsSdDaemon();
bool RestartWanted();
