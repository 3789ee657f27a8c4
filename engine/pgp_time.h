#pragma once
// The date text of a PGP time: seconds since 1 January 1970 (UTC) shown as
// local time, "ddd, dd mmm yyyy, hh:nn:ss" (e.g. "Tue, 08 Dec 2026, 14:05:09").
// Day and month names are English, like every other text of the system.

#include <windows.h>

#include <cstdint>
#include <string>

namespace orv::pgptime {

// Minutes to subtract from UTC to get local time at the given UTC instant,
// by the zone's rules for the instant's year.
long BiasAt(std::uint32_t utcSeconds, const TIME_ZONE_INFORMATION& zone);

// With a zone: its local time. Without one (the zone could not be read): the
// UTC time followed by " <UTC>".
std::string FormatInZone(std::uint32_t utcSeconds, const TIME_ZONE_INFORMATION* zone);

}  // namespace orv::pgptime

namespace orv {
// In the system's time zone.
std::string FormatPGPTime(std::uint32_t seconds);
}  // namespace orv
