#pragma once

#include "settings/ProxySettings.h"

#include <string>
#include <vector>

inline constexpr const char* ProxyPoolSection = "ProxyPool";

// The further proxies of section "ProxyPool" (keys Proxy1, Proxy2, ..., each a proxy address with
// its password; the file is owner-only). A key whose address is malformed is left out, and named
// with the reason (never the password) in `problems` when it is given.
std::vector<TProxySettings> LoadFurtherProxies(const std::string& iniPath,
                                               std::vector<std::string>* problems = nullptr);
// Replaces the section by `proxies`; an empty list removes it.
void SaveFurtherProxies(const std::string& iniPath, const std::vector<TProxySettings>& proxies);
