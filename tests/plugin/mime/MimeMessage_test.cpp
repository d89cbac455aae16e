// The Date field of a message, written for the local time zone.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "plugin/mime/MimeMessage.h"
#include "tests/support/ScopedEnvironment.h"

namespace {

// Runs the test body in a fixed time zone and restores the previous one afterwards.
class MimeMessageDate : public ::testing::Test {
protected:
    void UseZone(const char* zone) {
        m_environment.set("TZ", zone);
        tzset();
    }
    static std::string DateOf(const CMimeMessage& message) {
        const CMimeField* date = message.FindField("Date");
        return date != nullptr ? date->GetValue() : "<none>";
    }

private:
    // Destroyed after the environment is restored, so the restored zone takes effect.
    struct ZoneReset {
        ~ZoneReset() { tzset(); }
    } m_zoneReset;
    ScopedEnvironment m_environment;
};

TEST_F(MimeMessageDate, OffsetFollowsTheZoneAcrossDayAndMonthEnds) {
    struct Case {
        const char* zone;
        int year, month, day, hour, minute, second;
        const char* date;
    };
    const Case cases[] = {
        {"CST-8", 2012, 2, 29, 0, 30, 0, "Wed, 29 Feb 2012 00:30:00 +0800"},
        {"EST5", 2012, 3, 31, 23, 30, 5, "Sat, 31 Mar 2012 23:30:05 -0500"},
        // Minutes past 59 are normalised; the half-hour zone is a day ahead of UTC.
        {"IST-5:30", 2011, 12, 31, 23, 90, 0, "Sun, 1 Jan 2012 00:30:00 +0530"},
    };
    for (const Case& c : cases) {
        UseZone(c.zone);
        CMimeMessage message;
        message.SetDate(c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_EQ(DateOf(message), c.date) << c.zone;
    }
}

TEST_F(MimeMessageDate, CurrentTimeReplacesAnEarlierDate) {
    CMimeMessage message;
    message.SetFieldValue("Date", "old");
    message.SetDate();
    EXPECT_EQ(message.GetFields().size(), 1u);
    const std::string date = DateOf(message);
    std::tm parsed{};
    const char* end = strptime(date.c_str(), "%a, %d %b %Y %H:%M:%S", &parsed);
    ASSERT_NE(end, nullptr) << date;
    const std::string zone = end;
    EXPECT_EQ(zone.size(), 6u) << date;
    EXPECT_TRUE(zone.rfind(" +", 0) == 0 || zone.rfind(" -", 0) == 0) << date;
}

} // namespace
