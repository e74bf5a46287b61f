#pragma once

#include "settings/ProxySettings.h"

#include <optional>
#include <string>

// A proxy written as one address: socks4://host:port, socks4a://host:port or
// socks5://[user[:password]@]host:port (socks4 and socks4a may carry a user ID: socks4://id@host:port). User and
// password may carry %XX escapes (for "@", ":" or
// "%" inside them). The form of `quarrow-cli check --proxy` and of section "ProxyPool".

// The proxy the address names (UseProxy set), or nothing with `error` saying what is wrong with it.
std::optional<TProxySettings> ParseProxyUrl(const std::string& url, std::string& error);

// What keeps a proxy of the pool from being used, naming it; empty when nothing does. The fields
// are those of the settings dialog's list: a type (SOCKS 0..2), host, port, user and password.
std::string ProxyProblem(const TProxySettings& proxy);

// The address of a proxy. Without the password it names the proxy in answers entries and messages;
// with it, it is what the configuration file keeps.
std::string ProxyUrl(const TProxySettings& proxy, bool withPassword);
