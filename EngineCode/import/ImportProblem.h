// What went wrong when a file from another program was imported (a CIF structure, a measured
// pattern in a vendor format): a message key with what it concerns and where, so that the
// importers (CifImport.h, MeasuredDataImport.h) return failures as values and the caller
// (ImportIntoWindow.h) words them once for the alert.
#pragma once

#include <string>

struct ImportProblem {
    std::string key;      // message key of the problem; empty when there is none
    std::string subject;  // fills the "%s" of the key's text: a block, a site label, a symbol
    long line = 0;        // line of the file where the problem lies; 0 when not known
    std::string detail;   // the reading library's own words, shown after the text; may be empty

    explicit operator bool() const { return !key.empty(); }
};

// The localised one-paragraph description: the key's text with the subject filled in, then
// "(line N)" when the line is known, then the detail.
std::string DescribeImportProblem(const ImportProblem& problem);

// Fills the first "%s" of a localised format with text (the format comes from a text file, so it
// is never handed to printf); a format without "%s" is returned unchanged.
std::string FillTextPlaceholder(const std::string& format, const std::string& text);
