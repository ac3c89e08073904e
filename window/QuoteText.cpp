#include "QuoteText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <clocale>
#include <string_view>

namespace {

// The cuts work on views of the text and copy only the result: a quote line arrives every
// second for every code.
bool FindBetween(std::string_view text, std::string_view start, std::string_view end, std::string_view& between)
{
    const size_t nStart = text.find(start);
    if (nStart == std::string_view::npos)
        return false;
    const size_t nFrom = nStart + start.size();
    const size_t nEnd = text.find(end, nFrom);
    if (nEnd == std::string_view::npos)
        return false;
    between = text.substr(nFrom, nEnd - nFrom);
    return true;
}

std::string_view Trimmed(std::string_view text)
{
    const size_t nLast = text.find_last_not_of(" \t");
    if (nLast == std::string_view::npos)
        return {};
    const size_t nFirst = text.find_first_not_of(' ');
    return text.substr(nFirst, nLast + 1 - nFirst);
}

// atof as the C locale reads it, narrowed to float; a value a float cannot hold counts as not a
// number. QApplication hands the user's locale to the C library, and under a decimal-comma
// locale atof would stop at the service's decimal point.
float ToFloat(const std::string& sField)
{
#ifdef _WIN32
    static const _locale_t cLocale = _create_locale(LC_NUMERIC, "C");
    const double dValue = _strtod_l(sField.c_str(), nullptr, cLocale);
#else
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    const double dValue = strtod_l(sField.c_str(), nullptr, cLocale);
#endif
    if (std::isnan(dValue) || std::fabs(dValue) > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(dValue);
}

} // namespace

bool ExtractBetween(std::string& sText, const std::string& sStart, const std::string& sEnd)
{
    std::string_view between;
    const bool bFound = FindBetween(sText, sStart, sEnd, between);
    sText = std::string(between);
    return bFound;
}

std::vector<std::string> SplitString(std::string sText, const std::string& sSeparator)
{
    std::vector<std::string> vecTokens;
    if (sSeparator.empty())
        return vecTokens;
    sText += sSeparator;
    // A quote line is split at a single "," into 33 fields, every second for every code: look
    // for one byte where the separator is one, and make room for the fields at once.
    const bool bOneByte = sSeparator.size() == 1;
    if (bOneByte)
        vecTokens.reserve(static_cast<size_t>(std::count(sText.begin(), sText.end(), sSeparator[0])));
    size_t nPos = 0;
    while (nPos < sText.size()) {
        const size_t nFound = bOneByte ? sText.find(sSeparator[0], nPos) : sText.find(sSeparator, nPos);
        if (nFound == std::string::npos) {
            ++nPos;
            continue;
        }
        vecTokens.emplace_back(Trimmed(std::string_view(sText).substr(nPos, nFound - nPos)));
        nPos = nFound + sSeparator.size();
    }
    return vecTokens;
}

// cppcheck-suppress unusedFunction ; one of the cutting helpers, called by the tests
std::string TrimString(const std::string& sText)
{
    return std::string(Trimmed(sText));
}

bool CutQuote(const std::string& sText, StockQuote& quote)
{
    // Each pair of markers is looked for from the start of the whole text, independently.
    std::string sCode = sText;
    std::string sFields = sText;
    ExtractBetween(sCode, "_str_", "=");
    ExtractBetween(sFields, "=\"", "\";");

    // Fields 0, 2 and 3 are used, but a line needs six fields to count.
    std::vector<std::string> vecFields = SplitString(std::move(sFields), ",");
    if (vecFields.size() < 6)
        return false;

    const float dPrevious = ToFloat(vecFields[2]);
    const float dPrice = ToFloat(vecFields[3]);
    // A price of 0 (before the open, or a suspended share) or a previous close of 0 gives no
    // meaningful change.
    float dChange = std::numeric_limits<float>::quiet_NaN();
    if (dPrevious != 0.0f && dPrice != 0.0f && !std::isnan(dPrevious) && !std::isnan(dPrice))
        dChange = (dPrice - dPrevious) / dPrevious;

    quote.sCode = std::move(sCode);
    quote.sName = std::move(vecFields[0]);
    quote.sPrice = std::move(vecFields[3]);
    quote.dChange = dChange;
    return true;
}

std::string ChangeText(float dChange)
{
    // The percentage, not only the ratio, must be finite: a ratio near the float's limit
    // overflows when multiplied by 100.
    const float dPercent = dChange * 100.0f;
    if (!std::isfinite(dPercent))
        return "--";
    // Fixed point with two decimals as printf's "%0.2f" writes it in the C locale, whatever
    // the user's: the table always shows "-0.40%", never "-0,40%".
    // Room behind the digits for the percent sign and the terminating zero.
    std::array<char, 64> arrChange{};
    const auto result = std::to_chars(arrChange.data(), arrChange.data() + arrChange.size() - 2,
                                      static_cast<double>(dPercent), std::chars_format::fixed, 2);
    *result.ptr = '%';
    return arrChange.data();
}
