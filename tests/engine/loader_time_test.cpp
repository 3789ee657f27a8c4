// The date text of a PGP time with given zone rules, and the message pump.
#include <gtest/gtest.h>

#include "engine/message_pump.h"
#include "engine/pgp_time.h"

namespace pt = orv::pgptime;

namespace {

SYSTEMTIME Rule(WORD year, WORD month, WORD dayOfWeek, WORD day, WORD hour) {
    SYSTEMTIME s{};
    s.wYear = year;
    s.wMonth = month;
    s.wDayOfWeek = dayOfWeek;
    s.wDay = day;
    s.wHour = hour;
    return s;
}

// Central Europe: UTC+1, summer time from the last Sunday of March 02:00 to
// the last Sunday of October 03:00.
TIME_ZONE_INFORMATION Europe() {
    TIME_ZONE_INFORMATION z{};
    z.Bias = -60;
    z.StandardBias = 0;
    z.DaylightBias = -60;
    z.StandardDate = Rule(0, 10, 0, 5, 3);
    z.DaylightDate = Rule(0, 3, 0, 5, 2);
    return z;
}

// Eastern Australia: UTC+10, summer time from the first Sunday of October
// 02:00 to the first Sunday of April 03:00 (the change to standard time comes
// first in the year).
TIME_ZONE_INFORMATION Sydney() {
    TIME_ZONE_INFORMATION z{};
    z.Bias = -600;
    z.DaylightBias = -60;
    z.StandardDate = Rule(0, 4, 0, 1, 3);
    z.DaylightDate = Rule(0, 10, 0, 1, 2);
    return z;
}

struct Row {
    std::uint32_t utc;
    const char* text;
};

void ExpectRows(const TIME_ZONE_INFORMATION& zone, std::initializer_list<Row> rows) {
    for (const auto& row : rows) EXPECT_EQ(pt::FormatInZone(row.utc, &zone), row.text) << row.utc;
}

TEST(PGPTime, UnreadableZoneShowsUTCMarked) {
    EXPECT_EQ(pt::FormatInZone(0, nullptr), "Thu, 01 Jan 1970, 00:00:00 <UTC>");
    EXPECT_EQ(pt::FormatInZone(1796738709, nullptr), "Tue, 08 Dec 2026, 14:05:09 <UTC>");
    EXPECT_EQ(pt::FormatInZone(4294967295u, nullptr), "Sun, 07 Feb 2106, 06:28:15 <UTC>");
}

TEST(PGPTime, ZoneWithoutChangeDatesUsesTheBiasAlone) {
    TIME_ZONE_INFORMATION z = Europe();
    z.DaylightDate.wMonth = 0;  // either rule without a month means no summer time
    ExpectRows(z, {{1782907200, "Wed, 01 Jul 2026, 13:00:00"}, {1768478400, "Thu, 15 Jan 2026, 13:00:00"}});
    z = Europe();
    z.StandardDate.wMonth = 0;
    ExpectRows(z, {{1782907200, "Wed, 01 Jul 2026, 13:00:00"}});
    TIME_ZONE_INFORMATION utc{};
    ExpectRows(utc, {{1796738709, "Tue, 08 Dec 2026, 14:05:09"}});
    TIME_ZONE_INFORMATION west{};
    west.Bias = 300;  // UTC-5 reaches back over midnight and the year
    ExpectRows(west, {{0, "Wed, 31 Dec 1969, 19:00:00"}});
}

TEST(PGPTime, DateIsShownWithTheOffsetOfThatDate) {
    ExpectRows(Europe(), {
                             {1782907200, "Wed, 01 Jul 2026, 14:00:00"},  // summer: +2
                             {1768478400, "Thu, 15 Jan 2026, 13:00:00"},  // winter: +1
                             {1796738709, "Tue, 08 Dec 2026, 15:05:09"},
                         });
}

TEST(PGPTime, ChangesHappenOnTheClockInForceBeforeThem) {
    ExpectRows(Europe(), {
                             // 29 March 2026 02:00 standard time = 01:00 UTC
                             {1774745999, "Sun, 29 Mar 2026, 01:59:59"},
                             {1774746000, "Sun, 29 Mar 2026, 03:00:00"},
                             // 25 October 2026 03:00 summer time = 01:00 UTC
                             {1792889999, "Sun, 25 Oct 2026, 02:59:59"},
                             {1792890000, "Sun, 25 Oct 2026, 02:00:00"},
                         });
}

TEST(PGPTime, SouthernZoneHasSummerAroundTheTurnOfTheYear) {
    ExpectRows(Sydney(), {
                             {1768435200, "Thu, 15 Jan 2026, 11:00:00"},  // summer: +11
                             {1782907200, "Wed, 01 Jul 2026, 22:00:00"},  // winter: +10
                             // 5 April 2026 03:00 summer time = 4 April 16:00 UTC
                             {1775318399, "Sun, 05 Apr 2026, 02:59:59"},
                             {1775318400, "Sun, 05 Apr 2026, 02:00:00"},
                         });
}

TEST(PGPTime, RulesNamingAYearApplyOnlyInThatYear) {
    TIME_ZONE_INFORMATION z = Europe();
    z.DaylightDate = Rule(2026, 3, 0, 29, 2);
    z.StandardDate = Rule(2026, 10, 0, 25, 3);
    ExpectRows(z, {
                      {1782907200, "Wed, 01 Jul 2026, 14:00:00"},
                      {1774746000, "Sun, 29 Mar 2026, 03:00:00"},
                      {1751371200, "Tue, 01 Jul 2025, 13:00:00"},  // 2025: no change dates, bias alone
                  });
}

TEST(PGPTime, WeekFiveIsTheLastOccurrenceInTheMonth) {
    // February 2026 has four Sundays; the last one is the 22nd.
    TIME_ZONE_INFORMATION z{};
    z.Bias = 0;
    z.DaylightBias = -60;
    z.DaylightDate = Rule(0, 2, 0, 5, 1);
    z.StandardDate = Rule(0, 11, 0, 1, 1);
    EXPECT_EQ(pt::BiasAt(1771675200, z), 0);    // 21 February
    EXPECT_EQ(pt::BiasAt(1771722000, z), -60);  // 22 February 01:00
    // Week 4 of March 2026 is the 22nd, week 5 the 29th.
    z.DaylightDate = Rule(0, 3, 0, 4, 0);
    const std::uint32_t march25 = 1774746000 - 4 * 86400;
    EXPECT_EQ(pt::BiasAt(march25, z), -60);
    z.DaylightDate = Rule(0, 3, 0, 5, 0);
    EXPECT_EQ(pt::BiasAt(march25, z), 0);
}

TEST(PGPTime, SystemZoneGivesALocalText) {
    const std::string text = orv::FormatPGPTime(1796738709);
    // "ddd, dd mmm yyyy, hh:nn:ss", with " <UTC>" only when the zone is unknown.
    ASSERT_TRUE(text.size() == 26 || text == "Tue, 08 Dec 2026, 14:05:09 <UTC>") << text;
    for (size_t pos : {3u, 16u}) EXPECT_EQ(text[pos], ',') << text;
    for (size_t pos : {20u, 23u}) EXPECT_EQ(text[pos], ':') << text;
    EXPECT_NE(text.find(" 2026, "), std::string::npos) << text;
}

LRESULT CALLBACK CountingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    return DefWindowProcA(wnd, msg, wp, lp);
}

TEST(MessagePump, DispatchesEveryWaitingMessageAndKeepsAQuitRequest) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvPumpTest";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowA("OrvPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(wnd, nullptr);
    int count = 0;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
    for (int i = 0; i < 5; ++i) PostMessageA(wnd, WM_APP, 0, 0);
    orv::PumpMessages();
    EXPECT_EQ(count, 5);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

    PostQuitMessage(7);
    orv::PumpMessages();
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    DestroyWindow(wnd);
}

}  // namespace
