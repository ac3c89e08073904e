#include "QuoteText.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

// atof, narrowed to float; a value a float cannot hold counts as not a number.
float ToFloat(const std::string& sField)
{
    const double dValue = std::atof(sField.c_str());
    if (std::isnan(dValue) || std::fabs(dValue) > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(dValue);
}

} // namespace

bool ExtractBetween(std::string& sText, const std::string& sStart, const std::string& sEnd)
{
    const size_t nStart = sText.find(sStart);
    if (nStart == std::string::npos) {
        sText.clear();
        return false;
    }
    const size_t nFrom = nStart + sStart.size();
    const size_t nEnd = sText.find(sEnd, nFrom);
    if (nEnd == std::string::npos) {
        sText.clear();
        return false;
    }
    sText = sText.substr(nFrom, nEnd - nFrom);
    return true;
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
        vecTokens.push_back(TrimString(sText.substr(nPos, nFound - nPos)));
        nPos = nFound + sSeparator.size();
    }
    return vecTokens;
}

std::string TrimString(const std::string& sText)
{
    const size_t nLast = sText.find_last_not_of(" \t");
    if (nLast == std::string::npos)
        return std::string();
    const size_t nFirst = sText.find_first_not_of(' ');
    return sText.substr(nFirst, nLast + 1 - nFirst);
}

namespace {

// The same cuts as ExtractBetween, TrimString and SplitString, on views of the text: a quote
// line arrives every few milliseconds per code, and copies of it are most of the cost.
std::string_view Between(std::string_view text, std::string_view start, std::string_view end)
{
    const size_t nStart = text.find(start);
    if (nStart == std::string_view::npos)
        return {};
    const size_t nFrom = nStart + start.size();
    const size_t nEnd = text.find(end, nFrom);
    if (nEnd == std::string_view::npos)
        return {};
    return text.substr(nFrom, nEnd - nFrom);
}

std::string_view Trimmed(std::string_view text)
{
    const size_t nLast = text.find_last_not_of(" \t");
    if (nLast == std::string_view::npos)
        return {};
    const size_t nFirst = text.find_first_not_of(' ');
    return text.substr(nFirst, nLast + 1 - nFirst);
}

} // namespace

bool CutQuote(const std::string& sText, StockQuote& quote)
{
    // The markers are looked for independently, each from the start of the whole text.
    const std::string_view code = Between(sText, "_str_", "=");
    std::string_view fields = Between(sText, "=\"", "\";");

    // Fields 0, 2 and 3 are used, but a line needs six fields (five commas) to count.
    std::string_view vecUsed[4];
    int nField = 0;
    for (; nField < 6; ++nField) {
        const size_t nComma = fields.find(',');
        if (nField < 4)
            vecUsed[nField] = Trimmed(fields.substr(0, nComma));
        if (nComma == std::string_view::npos)
            break;
        fields.remove_prefix(nComma + 1);
    }
    if (nField < 5)
        return false;

    const float dPrevious = ToFloat(std::string(vecUsed[2]));
    const float dPrice = ToFloat(std::string(vecUsed[3]));
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
