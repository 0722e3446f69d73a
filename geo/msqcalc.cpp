#include "geo/msqcalc.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace geo {

namespace {

constexpr const char* SquareCaption = "  Marsden Square: ";
constexpr const char* PickSeparator = " OR ^";

// Magnitude with one decimal, rounded half away from zero, zero-padded to width characters in all.
std::string oneDecimal(float magnitude, int width) {
    const double rounded = std::round(std::fabs(static_cast<double>(magnitude)) * 10.0) / 10.0;
    char text[64];
    std::snprintf(text, sizeof text, "%0*.1f", width, rounded);
    return text;
}

char unitsDigit(float degrees) {
    return static_cast<char>('0' + static_cast<int>(std::fmod(std::trunc(std::fabs(degrees)), 10.0f)));
}

char quadrantDigit(float latRemainder, float lonRemainder) {
    if (latRemainder < 5.0f) return lonRemainder < 5.0f ? '1' : '2';
    return lonRemainder < 5.0f ? '3' : '4';
}

// The square and quadrant as "183;1": the number (10 * square + q) / 10 written out, padded to five
// characters, its decimal point turned into ";".
std::string squareText(float square, char quadrant) {
    const float value = std::fabs((10.0f * square + static_cast<float>(quadrant - '0')) / 10.0f);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.size() < 5) text.insert(0, 5 - text.size(), '0');
    text[3] = ';';
    return text;
}

} // namespace

MsqPoint msqcalc(float x, float y, float latitudeBase, float longitudeBase, float rows) {
    const float lon = longitudeBase + 5.0f * x;
    const float lat = latitudeBase + 5.0f * ((rows - 1.0f) - y);

    MsqPoint point;
    point.eastWest = lon < 0.0f ? 'W' : 'E';
    point.longitude = lon < 0.0f ? -lon : lon;
    point.northSouth = lat < 0.0f ? 'S' : 'N';
    point.latitude = lat < 0.0f ? -lat : lat;

    // A whole-degree east longitude moves a little further east, so that 10E falls in the square
    // east of the meridian, as 10W does on the west side.
    float w = -lon;
    if (w < 0.0f && w == std::floor(w)) w -= 0.0001f;

    float row = std::floor(lat / 10.0f);
    float column = std::floor(w / 10.0f);
    if (column < 0.0f) column += 36.0f;

    float base = 1.0f;
    if (row > 7.0f) base = 613.0f;
    if (row < 0.0f) {
        row = -(row + 1.0f);
        base = 300.0f;
    }
    const float square = 36.0f * row + column + base;

    const float absLat = std::fabs(lat);
    const float absW = std::fabs(w);
    const float latRemainder = 10.0f * (absLat / 10.0f - std::floor(absLat / 10.0f));
    const float lonRemainder = 10.0f * (absW / 10.0f - std::floor(absW / 10.0f));

    point.label = squareText(square, quadrantDigit(latRemainder, lonRemainder));
    point.label += unitsDigit(lat);
    point.label += unitsDigit(lon);
    return point;
}

std::string msqStatusText(const MsqPoint& point) {
    std::string text = " ";
    text += oneDecimal(point.latitude, 4);
    text += point.northSouth;
    text += ' ';
    text += oneDecimal(point.longitude, 5);
    text += point.eastWest;
    text += SquareCaption;
    text += point.label;
    return text;
}

void msqpick(int /*button*/, int /*shift*/, const std::string& label, std::string& picks) {
    picks += PickSeparator;
    picks += label.substr(0, 3);
}

std::string& msqpicks() {
    static std::string picks;
    return picks;
}

} // namespace geo
