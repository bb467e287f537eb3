#pragma once
// The test's commands: UTF-8 datagrams on loopback UDP to the port that the note
// "listening" names, fields separated by line feeds, the last field taking the rest:
//   message-json   ID SOURCE JSON     the page posts JSON (SOURCE empty: the page's address)
//   message-string ID SOURCE TEXT     the page posts a string
//   navigate       ID URI             the page starts a navigation
//   new-window     ID URI             the page asks for a new window
//   scale          ID VALUE           the monitor's scale changes (the web view follows it
//                                     while it detects monitor scale changes)
//   process-failed ID KIND            a process of the runtime fails: browser-exited,
//                                     render-exited or render-unresponsive (process_failure.h)
//   browser-window ID show|hide       the browser's window comes to the front or goes
//   ping           ID
// Each is carried out on the program's thread and answered by a note carrying ID.

// Opens the socket on the dispatcher's thread; once per process.
void startCommands();

// Reads and carries out every waiting command (the dispatcher calls it on notification).
void serviceCommands();
