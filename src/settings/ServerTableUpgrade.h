#pragma once

#include <string>

// What a user's server table took from a newer shipped one.
struct TServerTableGain
{
    int TopLevelDomains = 0; // keys added to [TLD]
    int Hosts = 0;           // host sections that were added or gained keys
    std::string Error;       // why nothing could be added; empty when the merge went through

    bool Gained() const { return TopLevelDomains > 0 || Hosts > 0; }
    // One line for the user, empty when nothing was gained and nothing failed.
    std::string Message() const;
};

// Brings a data folder's configuration file up to the shipped server table without undoing the
// user's own work: the copy made at the first start is never overwritten, so a user of an earlier
// version would otherwise keep its handful of top-level domains and response strings for ever.
// Every section and key of the shipped file that the user's file lacks is added; a value the
// user's file holds, even an empty one, is never changed. The shipped file's digest is written
// with the additions, so that a later start with the same program adds nothing, and a key the
// user deletes afterwards stays deleted until a newer shipped table comes.
class TServerTableUpgrade
{
public:
    TServerTableUpgrade(std::string userFile, std::string shippedFile);

    // Adds what is missing in one replacement of the user's file.
    TServerTableGain Run() const;

    // A digest of the file's bytes (FNV-1a, as 16 hex digits); empty when it cannot be read.
    static std::string Stamp(const std::string& path);

private:
    std::string UserFile;
    std::string ShippedFile;
};
