#include "QuoteText.h"

#include <cmath>
#include <cstdlib>
#include <limits>

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

bool CutQuote(const std::string& sText, StockQuote& quote)
{
    std::string sCode = sText;
    std::string sFields = sText;
    // The markers are looked for independently, each from the start of the whole text.
    ExtractBetween(sCode, "_str_", "=");
    ExtractBetween(sFields, "=\"", "\";");

    std::vector<std::string> vecFields = SplitString(sFields, ",");
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
