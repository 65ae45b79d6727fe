#include "core/text_wrap.h"

namespace core
{

namespace
{

constexpr std::size_t kTabColumns = 8;

std::string expandTabs(std::string_view paragraph)
{
    std::string expanded;
    for (char c : paragraph)
    {
        if (c == '\t')
            expanded.append(kTabColumns - expanded.size() % kTabColumns, ' ');
        else if (c != '\r')
            expanded.push_back(c);
    }
    return expanded;
}

// Appends the lines of one paragraph (text without newlines).
void wrapParagraph(const std::string& paragraph, std::int32_t maxWidthPx,
                   const std::function<std::int32_t(std::string_view)>& widthOf, std::vector<std::string>& lines)
{
    std::string line;
    std::size_t position = 0;
    while (position < paragraph.size())
    {
        const std::size_t wordStart = paragraph.find_first_not_of(' ', position);
        if (wordStart == std::string::npos)
        {
            line.append(paragraph, position, std::string::npos); // trailing spaces stay
            break;
        }
        std::size_t wordEnd = paragraph.find(' ', wordStart);
        if (wordEnd == std::string::npos)
            wordEnd = paragraph.size();
        std::string candidate = line;
        candidate.append(paragraph, position, wordEnd - position);
        if (line.empty() || widthOf(candidate) <= maxWidthPx)
        {
            line = std::move(candidate);
        }
        else
        {
            lines.push_back(std::move(line));
            line.assign(paragraph, wordStart, wordEnd - wordStart);
        }
        // A word that alone is too wide is cut where it stops fitting.
        while (line.size() > 1 && widthOf(line) > maxWidthPx)
        {
            std::size_t fitting = 1;
            while (fitting + 1 < line.size() && widthOf(std::string_view(line).substr(0, fitting + 1)) <= maxWidthPx)
                ++fitting;
            lines.push_back(line.substr(0, fitting));
            line.erase(0, fitting);
        }
        position = wordEnd;
    }
    lines.push_back(std::move(line));
}

} // namespace

std::vector<std::string> wrapText(std::string_view text, std::int32_t maxWidthPx,
                                  const std::function<std::int32_t(std::string_view)>& widthOf)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true)
    {
        const std::size_t end = text.find('\n', start);
        wrapParagraph(expandTabs(text.substr(start, end == std::string_view::npos ? end : end - start)), maxWidthPx,
                      widthOf, lines);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace core
