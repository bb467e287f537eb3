#pragma once
#include <string>
#include <vector>

#include "json_text.h"

// Runs one request: fields[0] is the verb, fields[1] the game window index, then the
// arguments. Adds "ok" and the results (or "error") to the reply.
void runCommand(const std::vector<std::string>& fields, JsonText& reply);
