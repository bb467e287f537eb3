#pragma once

// Reads every datagram waiting on the UDP socket and handles each.
void receiveDatagrams();
