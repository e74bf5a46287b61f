#pragma once

#include <string>

// Reads Help/ShowTour (default true), then writes it as false, and returns what it read: the quick
// tour opens on the first start with a configuration file and never again. A file that cannot be
// written still gives the flag read, so a read-only configuration never stops the start-up.
bool TakeShowTourFlag(const std::string& iniPath);
