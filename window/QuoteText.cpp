#include "QuoteText.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

// The cuts work on views of the text: a quote line arrives every second for every code, and
// copies of it would be most of the cost.
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

// atof, narrowed to float; a value a float cannot hold counts as not a number.
float ToFloat(std::string_view field)
{
    const double dValue = std::atof(std::string(field).c_str());
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
    size_t nPos = 0;
    while (nPos < sText.size()) {
        const size_t nFound = sText.find(sSeparator, nPos);
        if (nFound == std::string::npos) {
            ++nPos;
            continue;
        }
        vecTokens.emplace_back(Trimmed(std::string_view(sText).substr(nPos, nFound - nPos)));
        nPos = nFound + sSeparator.size();
    }
    return vecTokens;
}

std::string TrimString(const std::string& sText)
{
    return std::string(Trimmed(sText));
}

bool CutQuote(const std::string& sText, StockQuote& quote)
{
    // The markers are looked for independently, each from the start of the whole text.
    std::string_view code;
    std::string_view fields;
    FindBetween(sText, "_str_", "=", code);
    FindBetween(sText, "=\"", "\";", fields);

    // Fields 0, 2 and 3 are used, but a line needs six fields, so five commas, to count.
    std::string_view vecUsed[4];
    for (int nCommas = 0; nCommas < 5; ++nCommas) {
        const size_t nComma = fields.find(',');
        if (nCommas < 4)
            vecUsed[nCommas] = Trimmed(fields.substr(0, nComma));
        if (nComma == std::string_view::npos)
            return false;
        fields.remove_prefix(nComma + 1);
    }

    const float dPrevious = ToFloat(vecUsed[2]);
    const float dPrice = ToFloat(vecUsed[3]);
    // A price of 0 (before the open, or a suspended share) or a previous close of 0 gives no
    // meaningful change.
    float dChange = std::numeric_limits<float>::quiet_NaN();
    if (dPrevious != 0.0f && dPrice != 0.0f && !std::isnan(dPrevious) && !std::isnan(dPrice))
        dChange = (dPrice - dPrevious) / dPrevious;

    quote.sCode.assign(code);
    quote.sName.assign(vecUsed[0]);
    quote.sPrice.assign(vecUsed[3]);
    quote.dChange = dChange;
    return true;
}
