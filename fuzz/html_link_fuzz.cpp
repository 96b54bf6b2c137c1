// Feeds arbitrary readme lines to the report's escape and link steps: the text of a cell, the offered
// text of a details block, a page title and a row's link. Every tag must be one the report writes
// and no link address may leave its attribute.
#include "html/lib_html.h"
#include "support/html_markup.h"
#include "text/text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void check(const std::string& fragment, std::string_view what)
{
    std::string fault = quarex::test::markupFault(fragment);
    if (fault.empty())
        return;
    std::fprintf(stderr, "%.*s: %s\n%s\n", static_cast<int>(what.size()), what.data(), fault.c_str(), fragment.c_str());
    std::abort();
}

std::string between(const std::string& text, std::string_view open, std::string_view close)
{
    std::size_t a = text.find(open);
    std::size_t b = a == std::string::npos ? a : text.find(close, a + open.size());
    if (b == std::string::npos)
        std::abort();
    return text.substr(a + open.size(), b - a - open.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace quarex;
    std::string line = decodeDiscText(std::string_view(reinterpret_cast<const char*>(data), size));

    // A cell of the tables page, with and without the scan's blanking of control characters.
    check(sTexteHTML(sEchappeHTML(line)), "cell");
    check(sTexteHTML(sEchappeHTML(blankControls(line))), "blanked cell");

    // The offered text: line ends become <BR> before the links are made.
    std::string text = replaceAll(line, "\n", "\r\n");
    check(sTexteHTML(blankControls(sChangeCaractere(sEchappeHTML(text), "\r\n", "<BR>"))), "offered text");

    // The page title from the settings.
    HtmlOptions options;
    options.titre = true;
    options.texteTitre = line;
    check(between(sEnteteHTML(options), "<TITLE>", "</TITLE>"), "title");

    // A row's link to its details: the anchor name is part of the address.
    std::string path = sEchappeHTML(blankControls(line));
    std::string link = sLienHTML(path, "r_donnees.htm", "TARGET=\"data\"", path + "_T1R1");
    if (!link.empty()) {
        std::string opening = "<A HREF=\"r_donnees.htm#";
        if (link.rfind(opening, 0) != 0)
            std::abort();
        std::size_t quote = link.find('"', opening.size());
        std::string anchor = link.substr(opening.size(), quote - opening.size());
        std::string fault = quarex::test::hrefFault(anchor);
        if (!fault.empty() || link.compare(quote, 16, "\" TARGET=\"data\">") != 0) {
            std::fprintf(stderr, "row link: %s\n%s\n", fault.c_str(), link.c_str());
            std::abort();
        }
        std::string shown = link.substr(quote + 16, link.size() - quote - 16 - 4);
        check(shown, "row link text");
    }
    return 0;
}
