#include "plugin/mime/MimeMessage.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

CMimeMessage::~CMimeMessage() = default;

void CMimeMessage::SetDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    SetDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
            local.tm_sec);
}

void CMimeMessage::SetDate(int year, int month, int day, int hour, int minute, int second) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm requested{};
    requested.tm_year = year - 1900;
    requested.tm_mon = month - 1;
    requested.tm_mday = day;
    requested.tm_hour = hour;
    requested.tm_min = minute;
    requested.tm_sec = second;
    requested.tm_isdst = -1;
    const std::time_t when = std::mktime(&requested);
    std::tm local{};
    std::tm utc{};
    if (when == static_cast<std::time_t>(-1) || localtime_r(&when, &local) == nullptr ||
        gmtime_r(&when, &utc) == nullptr)
        return;
    // Day numbers differ by one across midnight, or by a month's length across a month end.
    const int dayDifference = local.tm_mday - utc.tm_mday;
    const int dayCorrection = dayDifference >= 2   ? -1440
                              : dayDifference < -1 ? 1440
                                                   : dayDifference * 1440;
    const long offset =
        (local.tm_hour - utc.tm_hour) * 60L + (local.tm_min - utc.tm_min) + dayCorrection;
    char text[40];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld",
                  kDays[local.tm_wday], local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900,
                  local.tm_hour, local.tm_min, local.tm_sec, offset >= 0 ? '+' : '-',
                  std::labs(offset) / 60, std::labs(offset) % 60);
    SetFieldValue("Date", text);
}
