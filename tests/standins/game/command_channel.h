#pragma once

// The loopback UDP port a test drives the game through; requests are answered on the
// game's own thread, from its message loop.
bool openChannel(int port);
void closeChannel();
