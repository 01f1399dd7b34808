#pragma once

#include <QString>

#include <optional>

namespace kiv {

// Whether to tell the user about a newer build: build numbers compared part
// by part, and the "remind me later" time kept in the settings.
class UpdateReminder {
public:
    // Whether `candidate` is newer than `current`; nothing when either is
    // not a four-part build number.
    static std::optional<bool> isNewerBuild(const QString& current, const QString& candidate);
    // Due unless the user asked to be reminded later within the last day.
    static bool isDue();
    static void remindLater();
};

} // namespace kiv
