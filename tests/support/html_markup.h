// Checks a fragment of the HTML report written from disc text: the only tags are those the report
// writes around such text, and no link address can break out of its attribute.
#pragma once

#include <string>
#include <string_view>

namespace quarex::test {

// What is wrong with a link address: "" when it holds no quote, angle bracket, blank or control,
// raw or as an entity.
inline std::string hrefFault(std::string_view href)
{
    for (char c : href)
        if (c == '"' || c == '<' || c == '>' || static_cast<unsigned char>(c) <= ' ' || c == 0x7F)
            return "character " + std::to_string(static_cast<unsigned char>(c)) + " in HREF \"" + std::string(href)
                + "\"";
    for (std::string_view entity : { "&quot;", "&lt;", "&gt;" })
        if (href.find(entity) != std::string_view::npos)
            return std::string(entity) + " in HREF \"" + std::string(href) + "\"";
    return {};
}

// What is wrong with the fragment: "" when every tag is <BR>, </A>, <A HREF="..."> with a sound address
// that is also the link's text, and links are neither nested nor left open.
inline std::string markupFault(std::string_view html)
{
    bool inLink = false;
    std::size_t i = 0;
    while ((i = html.find_first_of("<>", i)) != std::string_view::npos) {
        if (html[i] == '>')
            return "stray '>' at " + std::to_string(i);
        std::string_view rest = html.substr(i);
        if (rest.starts_with("<BR>")) {
            i += 4;
        } else if (rest.starts_with("</A>")) {
            if (!inLink)
                return "</A> without a link at " + std::to_string(i);
            inLink = false;
            i += 4;
        } else if (rest.starts_with("<A HREF=\"")) {
            if (inLink)
                return "nested link at " + std::to_string(i);
            std::size_t start = i + 9;
            std::size_t quote = html.find('"', start);
            if (quote == std::string_view::npos || quote + 1 >= html.size() || html[quote + 1] != '>')
                return "link tag not closed right after its address at " + std::to_string(i);
            std::string_view href = html.substr(start, quote - start);
            if (href.starts_with("mailto:"))
                href.remove_prefix(7);
            if (std::string fault = hrefFault(href); !fault.empty())
                return fault;
            // A link shows its own address.
            if (html.substr(quote + 2, href.size() + 4) != std::string(href) + "</A>")
                return "link text differs from its address at " + std::to_string(i);
            inLink = true;
            i = quote + 2;
        } else {
            return "unexpected tag at " + std::to_string(i) + ": " + std::string(rest.substr(0, 40));
        }
    }
    return inLink ? "link left open" : "";
}

} // namespace quarex::test
