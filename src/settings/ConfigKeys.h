#pragma once

#include <string_view>

// The configuration file's keys with their defaults, in one place so that the settings readers and
// the dialogs that edit them cannot drift apart.

struct TStringKey
{
    std::string_view Section;
    std::string_view Key;
    std::string_view Default;
};

struct TIntegerKey
{
    std::string_view Section;
    std::string_view Key;
    int Default;
};

struct TBoolKey
{
    std::string_view Section;
    std::string_view Key;
    bool Default;
};

namespace ConfigKeys {

inline constexpr std::string_view ConfigFileName = "mvwhois.ini";
// The RDAP bootstrap file (RFC 9224) beside it.
inline constexpr std::string_view RdapBootstrapFileName = "rdap-dns.json";

// Section TLD: one key per top-level domain (its last label, without the dot), the value a WHOIS host.
inline constexpr std::string_view TldSection = "TLD";
// Used for a top-level domain without an entry in TLD: the registry host of the .com and .net zones.
inline constexpr std::string_view FallbackWhoisHost = "whois.verisign-grs.com";

// Keys of a WHOIS host's own section (the section is named after the host); all default to empty.
// not_found_strings, registrar_string, whois_server_string and expires_string may each hold several
// texts separated by TextSeparator: not-found texts are alternatives, and of several labels the
// first one that holds a value in the answer gives it.
inline constexpr std::string_view NotFoundStrings = "not_found_strings";
inline constexpr std::string_view WhoisServerString = "whois_server_string";
inline constexpr std::string_view RegistrarString = "registrar_string";
inline constexpr std::string_view ExpiresString = "expires_string";
// Texts, separated by "|", that mark this host's answer as a refusal or a throttle rather than an
// answer about the name; compared without regard to case, like the not-found text.
inline constexpr std::string_view LimitStrings = "limit_strings";
inline constexpr char TextSeparator = '|';
inline constexpr char LimitSeparator = TextSeparator;
// The section every host falls back to, key by key, where its own section lacks a key or leaves it
// empty (its limit_strings apply at every host besides the host's own). A host name never holds
// "*", so no host's own section can take this name.
inline constexpr std::string_view FallbackSection = "*";
// In a label (registrar_string, whois_server_string, expires_string): "Block>Sub" reads the value
// of sub-label Sub in the indented block under a line that is just Block, for registries that
// print "Registrar" alone and then "  Organization: ...".
inline constexpr char SubLabelSeparator = '>';
// Milliseconds between two queries to this host from this program; 0: only the global Pause.
inline constexpr std::string_view MinInterval = "min_interval";
// Stands for the queried domain name inside a not_found_strings value.
inline constexpr std::string_view DomainPlaceholder = "%DOMAIN%";

inline constexpr TBoolKey UseProxy{"Proxy", "UseProxy", false};
inline constexpr TIntegerKey Socks{"Proxy", "SOCKS", 0};
inline constexpr TStringKey ProxyServer{"Proxy", "Server", ""};
inline constexpr TStringKey ProxyUser{"Proxy", "User", ""};
inline constexpr TStringKey ProxyPort{"Proxy", "Port", "1080"};
inline constexpr TStringKey ProxyPassword{"Proxy", "Password", ""};

inline constexpr TBoolKey UseHyphens{"Pref", "UseHyp", false};
inline constexpr TBoolKey UseUpdate{"Pref", "UseUpdate", true};
inline constexpr TBoolKey UseUpdateWords{"Pref", "UseUpdWords", false};
inline constexpr TIntegerKey ThreadCount{"Pref", "ThrdCount", 10};
inline constexpr TIntegerKey Attempts{"Pref", "Attempts", 5};
// The settings dialog's range for Attempts; a value outside it, however it got into the file, is
// raised or lowered to it, so that no setting makes a registry see an endless stream of connects.
inline constexpr int MinAttempts = 1;
inline constexpr int MaxAttempts = 10;
inline constexpr TIntegerKey Pause{"Pref", "Pause", 250};
// Ask each name's NS records before WHOIS: a delegated name is registered without a query to its
// registry. DnsServer names the resolver ("ADDRESS" or "ADDRESS:PORT"); empty: the system's.
inline constexpr TBoolKey DnsFirst{"Pref", "DnsFirst", false};
inline constexpr TStringKey DnsServer{"Pref", "DnsServer", ""};

inline constexpr TIntegerKey MainFormTop{"MainForm", "Top", 100};
inline constexpr TIntegerKey MainFormLeft{"MainForm", "Left", 100};
inline constexpr TIntegerKey MainFormWidth{"MainForm", "Width", 0};
inline constexpr TIntegerKey MainFormHeight{"MainForm", "Height", 0};
inline constexpr TIntegerKey LeftPanelWidth{"Tabs", "LPan", 0};
inline constexpr TIntegerKey TopPanelHeight{"Tabs", "PTop", 0};
// Column widths of the domain table: key "Width" followed by the column index 0 to 4.
inline constexpr std::string_view ListViewSection = "ListView";
inline constexpr std::string_view ColumnWidthPrefix = "Width";
inline constexpr int ColumnWidthDefault = 0;
inline constexpr int ColumnCount = 5;
// Which rows the domain table shows: "all", "available", "registered", "errors" or "unchecked".
inline constexpr TStringKey DomainFilter{"ListView", "Filter", "all"};

inline constexpr TBoolKey ShowTour{"Help", "ShowTour", true};

// A digest of the shipped server table the user's file last took its new entries from; a start
// with another shipped table adds what that one has and the user's file lacks.
inline constexpr TStringKey ServerTableStamp{"Pref", "ServerTableStamp", ""};

} // namespace ConfigKeys
