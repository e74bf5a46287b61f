#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

// The pace each (way out, host) pair has shown it keeps: registries limit the queries of each
// source address without saying how far, so the interval between two queries of a lane is learnt
// from their refusals. A refusal makes it longer by GrowFactor, every answer shorter by
// ShrinkFactor, so that the pace settles just under the host's limit; it never goes below the
// floor the caller gives (the host's min_interval, and Pause, which spaces every start anyway).
// The first refusal of a lane only says that the host limits it, not how far: from there the pace
// is a guess, so answers shrink it by ProbeShrinkFactor until the next refusal, and that one sets
// it from what the host let through in between (it refused at both ends, so its allowance over the
// time between is what it answered), with SettleMargin to spare.
// No Qt: the dispatcher keeps one, the pace file stores it between runs.
class TLearntPace
{
public:
    // The way out as a person reads it ("direct", "socks5://user@host:port", never a password),
    // so that what was learnt still means the same address in the next run.
    struct TLane
    {
        std::string Way;
        std::string Host;
        auto operator<=>(const TLane&) const = default;
    };

    static constexpr double GrowFactor = 1.25;
    static constexpr double ShrinkFactor = 0.995;
    static constexpr double ProbeShrinkFactor = 0.98;
    static constexpr double SettleMargin = 1.1;
    // A lane without a learnt pace that is refused starts at this interval (4 queries a second,
    // the default Pause) rather than growing from a few milliseconds: from Pause 5 ms it would
    // take 17 refusals to reach a limit of 5 a second, and a registry may ban an address that
    // keeps being refused.
    static constexpr int FirstRefusalMs = 250;
    // However often a host refuses, one query a minute is still tried.
    static constexpr int LongestMs = 60000;

    // The interval to keep between two queries of the lane: what was learnt, never below floorMs.
    int IntervalMs(const TLane& lane, int floorMs) const;
    // What was learnt alone (0: nothing yet), for the server properties dialog.
    int LearntMs(const TLane& lane) const;

    // A query of the lane started at tick `startedAt` was refused at tick `now`. Queries that
    // were already under way when the interval last grew were sent at the old pace: their refusals
    // say nothing new and do not make it grow again.
    void Refused(const TLane& lane, int floorMs, std::uint64_t startedAt, std::uint64_t now);
    // A query of the lane started at tick `startedAt` brought an answer.
    void Answered(const TLane& lane, int floorMs, std::uint64_t startedAt);
    // Another way out to the same host (the host limits each source address alike): `to` takes
    // what `from` has learnt when it knows less, nothing or only a guess where `from` has settled,
    // so that it is not refused once more to find out the same. Its queries under way were sent at
    // the old pace and do not make it grow.
    void Teach(const TLane& from, const TLane& to, std::uint64_t now);

    // The learnt intervals in ms, for the pace file; Set puts one back (a value of 0 or less
    // forgets the lane).
    std::map<TLane, int> Entries() const;
    void Set(const TLane& lane, int intervalMs);
    bool Empty() const { return Lanes.empty(); }
    // Something was learnt since the last MarkSaved.
    bool Changed() const { return Dirty; }
    void MarkSaved() { Dirty = false; }

private:
    struct TState
    {
        double IntervalMs = 0;
        std::uint64_t GrewAt = 0;
        bool Grew = false;
        // Since a first refusal, until the next: the interval is a guess.
        bool Probing = false;
        // Answers to queries started since GrewAt.
        int Answers = 0;
    };
    std::map<TLane, TState> Lanes;
    bool Dirty = false;
};
