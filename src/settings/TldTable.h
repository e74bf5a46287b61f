#pragma once

#include <string>
#include <string_view>

// Section TLD of the configuration file: which server answers for which top-level domain (the
// lookup itself is engine/ServerResolver).

// The key of a domain in section TLD: the text after its last ".", or the whole name without one.
std::string TldKey(std::string_view domain);
