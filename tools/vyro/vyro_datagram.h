#pragma once
#include <string>

#include "vyro_args.h"

// The datagram a request sends: "VYRO", a space, the command word and, when there is an
// argument, a space and the argument. listen sends "VYRO state" so that the overlay learns
// where to send.
std::string requestDatagram(const VyroRequest& request);

// The text after "VYRO " of a datagram from the overlay; false for anything without it.
bool overlayText(const std::string& datagram, std::string& text);

// One datagram text as one printable line: control characters become \n, \r, \t or \xHH
// and a backslash is doubled, so a line feed inside a text never splits it.
std::string printableLine(const std::string& text);

// Whether the text is exactly one JSON value (RFC 8259), with blanks around it allowed.
bool isJsonValue(const std::string& text);

// Whether the text is one JSON object.
bool isJsonObject(const std::string& text);
