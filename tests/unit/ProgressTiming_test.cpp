// When the progress window shows, without a clock.
#include "dialogs/ProgressTiming.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(ProgressWorthShowing, AfterTheDelayUnlessTheExportLooksAboutToEnd) {
    struct Case {
        unsigned elapsed;
        int done;
        int total;
        unsigned inHand;
        bool shows;
    } cases[] = {
        {499, 0, 10, 499, false},  // too early, whatever else
        {500, 0, 10, 500, true},   // the first message is still in hand
        {500, 5, 10, 10, true},    // half done: as long again ahead
        {500, 9, 10, 10, false},   // about 55 ms ahead: it would flash by
        {500, 1990, 2000, 1, false},  {500, 9, 10, 300, true},  // the last message is a long one
        {500, 10, 10, 10, false},                               // all through
        {500, 12, 10, 10, false},  // more than counted (the selection grew)
        {4000000000u, 1, 2, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressWorthShowing(c.elapsed, kProgressDelayMs, c.done, c.total, c.inHand),
                  c.shows)
            << c.elapsed << " ms, " << c.done << " of " << c.total << ", " << c.inHand << " ms";
    }
    EXPECT_TRUE(ProgressWorthShowing(0, 0, 0, 2000, 0)) << "no delay: from the first message";
}

}  // namespace
}  // namespace tessera
