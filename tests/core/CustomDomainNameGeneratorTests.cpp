#include "core/CustomDomainNameGenerator.h"

#include "base/QuarrowError.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using TNames = std::vector<std::string>;

struct TProgressLog
{
    std::vector<int> Currents;
    std::vector<int> Totals;
};

void Record(TCustomDomainNameGenerator& generator, TProgressLog& log)
{
    generator.SetOnProgress([&log](TCustomDomainNameGenerator&, int current, int total) {
        log.Currents.push_back(current);
        log.Totals.push_back(total);
    });
}

TCustomDomainNameGenerator ExampleGenerator(bool hyphens)
{
    TCustomDomainNameGenerator generator;
    generator.SetUsePrefix(true);
    generator.SetUseSuffix(true);
    generator.SetUseHyphens(hyphens);
    generator.Prefixes() = {"web"};
    generator.Keywords() = {"shop", "store"};
    generator.Suffixes() = {"s", "hub"};
    generator.Tlds() = {"com", "net"};
    return generator;
}

TEST(Generator, ExampleWithHyphens)
{
    TCustomDomainNameGenerator generator = ExampleGenerator(true);
    TProgressLog log;
    Record(generator, log);
    ASSERT_TRUE(generator.Generate());
    const TNames expected = {"shop.com",      "shop.net",      "store.com",     "store.net",
                             "shops.com",     "shops.net",     "shop-hub.com",  "shop-hub.net",
                             "web-shop.com",  "web-shop.net",  "stores.com",    "stores.net",
                             "store-hub.com", "store-hub.net", "web-store.com", "web-store.net"};
    EXPECT_EQ(generator.Names().ToVector(), expected);
    ASSERT_EQ(log.Totals.size(), 16u);
    EXPECT_EQ(log.Totals.front(), 16);
}

TEST(Generator, ExampleWithoutHyphens)
{
    TCustomDomainNameGenerator generator = ExampleGenerator(false);
    ASSERT_TRUE(generator.Generate());
    const TNames expected = {"shop.com",     "shop.net",     "store.com",    "store.net",   "shops.com",  "shops.net",
                             "shophub.com",  "shophub.net",  "webshop.com",  "webshop.net", "stores.com", "stores.net",
                             "storehub.com", "storehub.net", "webstore.com", "webstore.net"};
    EXPECT_EQ(generator.Names().ToVector(), expected);
}

TEST(Generator, ProgressRunsFromOneToTotalWithoutGaps)
{
    TCustomDomainNameGenerator generator;
    generator.SetUseSuffix(true);
    generator.Keywords() = {"a", "b", "c"};
    generator.Suffixes() = {"x", "yy"};
    generator.Tlds() = {"com", "net", "org", "io"};
    std::vector<size_t> namesSeen;
    TProgressLog log;
    generator.SetOnProgress([&](TCustomDomainNameGenerator& sender, int current, int total) {
        EXPECT_EQ(&sender, &generator);
        log.Currents.push_back(current);
        log.Totals.push_back(total);
        namesSeen.push_back(sender.Names().Count());
    });
    ASSERT_TRUE(generator.Generate());
    const int total = 3 * 4 + 3 * 2 * 4;
    ASSERT_EQ(static_cast<int>(log.Currents.size()), total);
    for (int i = 0; i < total; ++i) {
        EXPECT_EQ(log.Currents[i], i + 1);
        EXPECT_EQ(log.Totals[i], total);
        // Each notice follows its own name.
        EXPECT_EQ(namesSeen[i], static_cast<size_t>(i + 1));
    }
    EXPECT_EQ(static_cast<int>(generator.Names().Count()), total);
}

TEST(Generator, RefusesWithoutKeywordsTldsOrSwitchedOnAffixes)
{
    struct TCase
    {
        const char* Name;
        bool UsePrefix;
        bool UseSuffix;
        TNames Prefixes, Keywords, Suffixes, Tlds;
    };
    const TCase cases[] = {
        {"no keyword", false, false, {}, {}, {}, {"com"}},
        {"no tld", false, false, {}, {"shop"}, {}, {}},
        {"prefix on, none given", true, true, {}, {"shop"}, {"s"}, {"com"}},
        {"suffix on, none given", true, true, {"web"}, {"shop"}, {}, {"com"}},
    };
    for (const TCase& c : cases) {
        TCustomDomainNameGenerator generator;
        // Names of an earlier run must go too.
        generator.Keywords() = {"old"};
        generator.Tlds() = {"com"};
        ASSERT_TRUE(generator.Generate());
        generator.SetUsePrefix(c.UsePrefix);
        generator.SetUseSuffix(c.UseSuffix);
        generator.Prefixes() = c.Prefixes;
        generator.Keywords() = c.Keywords;
        generator.Suffixes() = c.Suffixes;
        generator.Tlds() = c.Tlds;
        int calls = 0;
        generator.SetOnProgress([&calls](TCustomDomainNameGenerator&, int, int) { ++calls; });
        EXPECT_FALSE(generator.Generate()) << c.Name;
        EXPECT_TRUE(generator.Names().Empty()) << c.Name;
        EXPECT_EQ(calls, 0) << c.Name;
    }
}

TEST(Generator, BareNamesAreKeywordMajorAndSwitchedOffAffixesPlayNoPart)
{
    TCustomDomainNameGenerator generator;
    generator.Prefixes() = {"web"};
    generator.Suffixes() = {"hub"};
    generator.Keywords() = {"k1", "k2"};
    generator.Tlds() = {"t1", "t2"};
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(generator.Names().ToVector(), (TNames{"k1.t1", "k1.t2", "k2.t1", "k2.t2"}));
}

TEST(Generator, TrimsEveryListInPlace)
{
    TCustomDomainNameGenerator generator;
    generator.SetUsePrefix(true);
    generator.SetUseSuffix(true);
    generator.Prefixes() = {" \tweb\r\n"};
    generator.Keywords() = {" shop ", std::string("\0\x1fstore\x7f", 8)};
    generator.Suffixes() = {"\x01hub "};
    generator.Tlds() = {"  com", "\xa0net"};
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(generator.Prefixes(), (TNames{"web"}));
    // DEL and bytes above 127 are not blanks.
    EXPECT_EQ(generator.Keywords(), (TNames{"shop", "store\x7f"}));
    EXPECT_EQ(generator.Suffixes(), (TNames{"hub"}));
    EXPECT_EQ(generator.Tlds(), (TNames{"com", "\xa0net"}));
    EXPECT_EQ(generator.Names().String(0), "shop.com");
    EXPECT_EQ(generator.Names().String(2), "store\x7f.com");
}

TEST(Generator, HyphenRules)
{
    TCustomDomainNameGenerator generator;
    generator.SetUsePrefix(true);
    generator.SetUseSuffix(true);
    generator.SetUseHyphens(true);
    generator.Prefixes() = {"e", "my"};
    generator.Keywords() = {"shop"};
    generator.Suffixes() = {"s", "ly"};
    generator.Tlds() = {"com"};
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(generator.Names().ToVector(),
              (TNames{"shop.com", "shops.com", "shop-ly.com", "e-shop.com", "my-shop.com"}));
}

TEST(Generator, BlankWordsStayAndGiveDuplicateOrOddNames)
{
    TCustomDomainNameGenerator generator;
    generator.SetUsePrefix(true);
    generator.SetUseSuffix(true);
    generator.SetUseHyphens(true);
    generator.Prefixes() = {"  "};
    generator.Keywords() = {"shop", " "};
    generator.Suffixes() = {""};
    generator.Tlds() = {"com"};
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(generator.Keywords(), (TNames{"shop", ""}));
    // Empty affixes never get a hyphen, so they repeat the bare keyword.
    EXPECT_EQ(generator.Names().ToVector(), (TNames{"shop.com", ".com", "shop.com", "shop.com", ".com", ".com"}));
}

TEST(Generator, KeepsCaseDuplicatesAndTldsAsListed)
{
    TCustomDomainNameGenerator generator;
    generator.SetUsePrefix(true);
    generator.Prefixes() = {"Web"};
    generator.Keywords() = {"Shop", "webShop", "Shop"};
    generator.Tlds() = {".com"};
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(generator.Names().ToVector(),
              (TNames{"Shop..com", "webShop..com", "Shop..com", "WebShop..com", "WebwebShop..com", "WebShop..com"}));
}

TEST(Generator, NamesLastUntilTheNextRun)
{
    TCustomDomainNameGenerator generator;
    generator.Keywords() = {"one"};
    generator.Tlds() = {"com"};
    ASSERT_TRUE(generator.Generate());
    generator.Keywords() = {"two", "three"};
    EXPECT_EQ(generator.Names().ToVector(), (TNames{"one.com"}));
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(generator.Names().ToVector(), (TNames{"two.com", "three.com"}));
}

TEST(Generator, HandlerCannotDisturbTheRun)
{
    TCustomDomainNameGenerator generator;
    generator.Keywords() = {"a", "b"};
    generator.Tlds() = {"com", "net"};
    bool reentryRefused = false;
    generator.SetOnProgress([&](TCustomDomainNameGenerator& sender, int current, int) {
        if (current == 1) {
            sender.Keywords().clear();
            sender.Tlds().assign(1000, "x");
            try {
                sender.Generate();
            } catch (const std::logic_error&) {
                reentryRefused = true;
            }
        }
    });
    ASSERT_TRUE(generator.Generate());
    EXPECT_TRUE(reentryRefused);
    EXPECT_EQ(generator.Names().ToVector(), (TNames{"a.com", "a.net", "b.com", "b.net"}));
    // The generator is usable again afterwards.
    generator.SetOnProgress(nullptr);
    generator.Keywords() = {"c"};
    generator.Tlds() = {"org"};
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(generator.Names().ToVector(), (TNames{"c.org"}));
}

TEST(Generator, MoreNamesThanA32BitCountIsAnError)
{
    TCustomDomainNameGenerator generator;
    generator.Keywords().assign(50000, "k");
    generator.Tlds().assign(50000, "t");
    int calls = 0;
    generator.SetOnProgress([&calls](TCustomDomainNameGenerator&, int, int) { ++calls; });
    EXPECT_THROW(generator.Generate(), TQuarrowError);
    EXPECT_TRUE(generator.Names().Empty());
    EXPECT_EQ(calls, 0);
    // A run that stays within the count goes ahead.
    calls = 0;
    generator.Keywords().assign(46340, "k");
    generator.Tlds().assign(1, "t");
    generator.SetOnProgress([&calls](TCustomDomainNameGenerator&, int, int total) {
        EXPECT_EQ(total, 46340);
        ++calls;
    });
    ASSERT_TRUE(generator.Generate());
    EXPECT_EQ(calls, 46340);
}

// The count comes before the run, and a streamed run makes the very names a kept one does.
TEST(Generator, TotalIsKnownFirstAndStreamedNamesAreTheSame)
{
    TCustomDomainNameGenerator generator = ExampleGenerator(true);
    EXPECT_EQ(generator.Total(), 16u);
    ASSERT_TRUE(generator.Generate());
    const TNames kept = generator.Names().ToVector();
    TNames streamed;
    ASSERT_TRUE(generator.Generate([&streamed](std::string_view name) { streamed.emplace_back(name); }));
    EXPECT_EQ(streamed, kept);
    EXPECT_TRUE(generator.Names().Empty());

    generator.Suffixes().clear();
    EXPECT_EQ(generator.Total(), 0u);
    EXPECT_FALSE(generator.Generate([](std::string_view) { FAIL(); }));
}

// A run in steps of any size makes the names of one whole run, in the same order, whatever the
// generator's lists turn into between the steps.
TEST(Generator, StepsOfAnySizeMakeTheNamesOfAWholeRun)
{
    TCustomDomainNameGenerator generator = ExampleGenerator(true);
    ASSERT_TRUE(generator.Generate());
    const TNames whole = generator.Names().ToVector();
    for (std::size_t step : {1u, 3u, 5u, 16u, 100u}) {
        generator = ExampleGenerator(true);
        ASSERT_TRUE(generator.Start());
        EXPECT_EQ(generator.Planned(), 16u);
        EXPECT_TRUE(generator.Names().Empty());
        generator.Keywords() = {"late"};
        std::size_t steps = 0;
        while (generator.Step(step)) {
            ++steps;
            EXPECT_EQ(generator.Made(), steps * step) << step;
            EXPECT_EQ(generator.Names().Count(), generator.Made()) << step;
        }
        EXPECT_EQ(generator.Made(), 16u);
        EXPECT_EQ(steps, (16 + step - 1) / step - 1) << step;
        EXPECT_EQ(generator.Names().ToVector(), whole) << step;
        EXPECT_FALSE(generator.Step(step));
    }
    // Start reserves exactly the room the run needs: the names never make the list grow.
    for (const bool hyphens : {false, true}) {
        generator = ExampleGenerator(hyphens);
        ASSERT_TRUE(generator.Start());
        const std::size_t reserved = generator.Names().AllocatedBytes();
        while (generator.Step(1)) {
        }
        EXPECT_EQ(generator.Names().AllocatedBytes(), reserved) << hyphens;
        EXPECT_EQ(generator.Names().Count(), 16u);
    }
    // Start refuses and fails as Generate does.
    generator.Suffixes().clear();
    EXPECT_FALSE(generator.Start());
    EXPECT_FALSE(generator.Step(10));
    generator.Suffixes() = {"s"};
    generator.Keywords().assign(50000, "k");
    generator.Tlds().assign(50000, "t");
    EXPECT_THROW(generator.Start(), TQuarrowError);
}

} // namespace
