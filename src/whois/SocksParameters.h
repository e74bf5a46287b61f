#pragma once

#include "settings/ProxySettings.h"

#include <string>

enum class TSocksVersion
{
    None,
    Socks4,
    Socks4A,
    Socks5
};

enum class TSocksAuthentication
{
    NoAuthentication,
    UsernamePassword
};

// How one connection reaches its WHOIS host: directly, or through a SOCKS proxy.
struct TSocksParameters
{
    TSocksVersion Version = TSocksVersion::None;
    std::string Host;
    int Port = 1080;
    std::string UserName;
    std::string Password;
    TSocksAuthentication Authentication = TSocksAuthentication::NoAuthentication;
};

// The worker's proxy set-up: host, user and password trimmed, authentication when User followed
// by Password is not empty.
TSocksParameters ConfigureProxy(const TProxySettings& settings);
// The test query's proxy set-up: values taken unchanged, never any authentication.
TSocksParameters SetupTestProxy(const TProxySettings& settings);
