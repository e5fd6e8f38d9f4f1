// Wording of import problems.
#include "ImportProblem.h"

#include "Status.h"
#include "StringTable.h"

std::string FillTextPlaceholder(const std::string& format, const std::string& text)
{
    const std::size_t at = format.find("%s");
    if (at == std::string::npos)
        return format;
    std::string out = format;
    out.replace(at, 2, text);
    return out;
}

std::string DescribeImportProblem(const ImportProblem& problem)
{
    if (!problem)
        return {};
    std::string text = FillTextPlaceholder(LocalizedString(problem.key), problem.subject);
    if (problem.line > 0)
        text += " " + FormatCount(LocalizedString("Import_At_Line_N"), problem.line);
    if (!problem.detail.empty())
        text += "\n" + problem.detail;
    return text;
}
