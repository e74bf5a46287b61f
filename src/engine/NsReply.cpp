#include "engine/NsReply.h"

#include "base/AsciiText.h"

#include <ares.h>
#include <arpa/nameser.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int HeaderBytes = 12;

int Read16(const unsigned char* at)
{
    return at[0] << 8 | at[1];
}

// A (possibly compressed) name at `at`; false when it runs outside the message.
bool ReadName(const unsigned char* at, const unsigned char* reply, int length, std::string& name, long& used)
{
    char* expanded = nullptr;
    if (ares_expand_name(at, reply, length, &expanded, &used) != ARES_SUCCESS)
        return false;
    const std::unique_ptr<char, void (*)(void*)> owned(expanded, ares_free_string);
    name = LowerAscii(expanded);
    return true;
}

std::string Bare(std::string name)
{
    name = LowerAscii(name);
    while (!name.empty() && name.back() == '.')
        name.pop_back();
    return name;
}

} // namespace

TNsReply TNsReply::Read(const unsigned char* reply, int length, const std::string& asked)
{
    TNsReply result;
    const auto fail = [&result](std::string problem) {
        result.NameServers.clear();
        result.Problem = std::move(problem);
        return result;
    };
    if (length < HeaderBytes)
        return fail("the DNS reply is too short to be one");
    if ((reply[2] & 0x80) == 0)
        return fail("the DNS server sent a message that is no reply (its QR bit is clear)");
    if (((reply[2] >> 3) & 0x0F) != ns_o_query || (reply[3] & 0x0F) != ns_r_noerror)
        return fail("the DNS reply is no plain answer to the query");
    const std::string name = Bare(asked);
    const unsigned char* at = reply + HeaderBytes;
    const unsigned char* const end = reply + length;
    std::string owner;
    long used = 0;
    if (Read16(reply + 4) != 1 || !ReadName(at, reply, length, owner, used) || end - (at + used) < 4 || owner != name ||
        Read16(at + used) != ns_t_ns || Read16(at + used + 2) != ns_c_in)
        return fail("the DNS reply answers another question");
    at += used + 4;

    std::string other;
    bool alias = false;
    bool root = false;
    for (int records = Read16(reply + 6); records > 0; --records) {
        if (!ReadName(at, reply, length, owner, used) || end - (at + used) < 10)
            return fail("the DNS reply is cut or malformed");
        at += used;
        const int type = Read16(at);
        const int klass = Read16(at + 2);
        const int dataLength = Read16(at + 8);
        at += 10;
        if (end - at < dataLength)
            return fail("the DNS reply is cut or malformed");
        if (owner == name && type == ns_t_cname)
            alias = true;
        if (type == ns_t_ns && klass == ns_c_in) {
            std::string server;
            if (!ReadName(at, reply, length, server, used) || used > dataLength)
                return fail("the DNS reply is cut or malformed");
            if (owner != name)
                other = owner.empty() ? "." : owner;
            else if (server.empty())
                root = true;
            else
                result.NameServers.push_back(std::move(server));
        }
        at += dataLength;
    }
    if (!result.NameServers.empty()) {
        // Servers rotate their records; the answers entry lists them in one order.
        std::sort(result.NameServers.begin(), result.NameServers.end());
        result.NameServers.erase(std::unique(result.NameServers.begin(), result.NameServers.end()),
                                 result.NameServers.end());
        return result;
    }
    if (alias)
        return fail("the name is an alias (CNAME) in DNS, which delegates nothing");
    if (!other.empty())
        return fail("the DNS reply holds NS records of another name (" + other + "), none of the name itself");
    if (root)
        return fail("the name's NS records name no server (only the root)");
    return fail("the name has no NS records");
}
