#pragma once
#include <string>

// Reads the next datagram waiting on the UDP socket and handles it; the socket's notification
// comes again while more wait.
void receiveDatagrams();

// Handles one datagram's text (cut at its first zero byte).
void handleDatagram(const std::string& text);

// Sends "VYRO " + text to the reply address; nothing before the game side has spoken.
void sendToGame(const std::string& text);
