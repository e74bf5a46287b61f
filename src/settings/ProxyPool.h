#pragma once

#include "settings/EngineSettings.h"
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

// The ways out that checks are spread over: section Proxy's connection first (direct when
// UseProxy is off), then the further proxies, each way out once (by its address without the
// password). One entry when there are none, as before the pool.
std::vector<TProxySettings> ProxyPool(const TEngineSettings& settings);
