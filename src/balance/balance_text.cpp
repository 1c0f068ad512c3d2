#include "balance/balance_text.h"

#include <charconv>
#include <cstdio>

namespace valmor {

std::string formatNumber(double value) {
    if (value == 0)
        return "0";
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

std::string percentText(double share) {
    return formatNumber(share * 100) + "%";
}

std::string shortPercent(double percent) {
    char buffer[32];
    if (percent == 0 || percent >= 10)
        std::snprintf(buffer, sizeof buffer, "%.0f%%", percent);
    else if (percent >= 1)
        std::snprintf(buffer, sizeof buffer, "%.1f%%", percent);
    else if (percent >= 0.01)
        std::snprintf(buffer, sizeof buffer, "%.2g%%", percent);
    else
        return "<0.01%";
    return buffer;
}

std::string verdictText(const MapOutcome& outcome) {
    std::string text(verdictName(outcome.verdict));
    if (!outcome.problem.empty())
        text += " (" + outcome.problem + ")";
    return text;
}

std::string monstersText(const MapOutcome& outcome) {
    std::string text;
    for (const MonsterChance& m : outcome.monsters) {
        if (!text.empty())
            text += ';';
        text += std::to_string(m.monster) + ':' + percentText(m.chance);
    }
    return text;
}

std::array<std::string, 7> outcomeNumbers(const MapOutcome& o) {
    const auto known = [&](double value) {
        return o.draw.empty ? std::string() : formatNumber(value);
    };
    const auto optional = [](const std::optional<double>& value) {
        return value ? formatNumber(*value) : std::string();
    };
    return {known(o.group),          optional(o.hits),   known(o.exp),
            known(o.gold),           optional(o.damage), optional(o.damagePercent),
            optional(o.worstPercent)};
}

std::array<std::string, kMapColumns.size()> mapRowCells(const MapOutcome& outcome,
                                                        std::string_view profile) {
    const auto numbers = outcomeNumbers(outcome);
    return {std::to_string(outcome.map),
            std::string(profile),
            monstersText(outcome),
            numbers[0],
            numbers[1],
            numbers[2],
            numbers[3],
            numbers[4],
            numbers[5],
            numbers[6],
            verdictText(outcome),
            outcome.defeatPercent ? formatNumber(*outcome.defeatPercent) : std::string()};
}

} // namespace valmor
