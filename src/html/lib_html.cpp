#include "html/lib_html.h"

#include "text/string_table.h"
#include "text/text.h"

#include <array>

namespace quarex {

namespace {

    // Named entities of the Latin-1 letters U+00C0 to U+00FF (ISO 8879 ISOlat1); the two signs
    // U+00D7 and U+00F7 have none.
    constexpr std::array<const char*, 64> kLatin1Entities = {
        "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", // C0
        "Egrave", "Eacute", "Ecirc", "Euml", "Igrave", "Iacute", "Icirc", "Iuml", // C8
        "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde", "Ouml", nullptr, // D0
        "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig", // D8
        "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", // E0
        "egrave", "eacute", "ecirc", "euml", "igrave", "iacute", "icirc", "iuml", // E8
        "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde", "ouml", nullptr, // F0
        "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml", // F8
    };

    // The entity of the two-byte UTF-8 sequence at text[i], or nullptr.
    const char* latin1Entity(std::string_view text, std::size_t i)
    {
        if (i + 1 >= text.size() || static_cast<unsigned char>(text[i]) != 0xC3)
            return nullptr;
        auto second = static_cast<unsigned char>(text[i + 1]);
        if (second < 0x80 || second > 0xBF)
            return nullptr;
        return kLatin1Entities[second - 0x80];
    }

    std::string replaceEntities(std::string_view text)
    {
        std::string out;
        out.reserve(text.size() + text.size() / 8);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (const char* entity = latin1Entity(text, i)) {
                out += '&';
                out += entity;
                out += ';';
                ++i;
            } else {
                out += text[i];
            }
        }
        return out;
    }

    // Replaces text[start, end) by `opening` ADDRESS">ADDRESS</A>.
    void replaceByLink(
        std::string& text, std::size_t start, std::size_t end, std::string_view opening, const std::string& address)
    {
        std::string linked;
        linked.reserve(text.size() + 2 * address.size() + opening.size() + 6);
        linked.append(text, 0, start);
        linked += opening;
        linked += address;
        linked += "\">";
        linked += address;
        linked += "</A>";
        linked.append(text, end, std::string::npos);
        text = std::move(linked);
    }

    // The first occurrence of `prefix` becomes " <A HREF="ADDR">ADDR</A>".
    void linkFirstWebAddress(std::string& text, std::string_view prefix)
    {
        std::size_t p = text.find(prefix);
        if (p == std::string::npos)
            return;
        std::size_t end = text.find_first_of(" <", p + 1);
        if (end == std::string::npos)
            end = text.size();
        replaceByLink(text, p, end, " <A HREF=\"", trim(std::string_view(text).substr(p, end - p)));
    }

    // The address around the first "@", when a blank or ">" stands before it, becomes a mailto link.
    void linkFirstMailAddress(std::string& text)
    {
        std::size_t at = text.find('@');
        if (at == std::string::npos)
            return;
        std::size_t delimiter = std::string::npos;
        for (std::size_t i = at + 1; i-- > 0;) {
            if (text[i] == ' ' || text[i] == '>') {
                delimiter = i;
                break;
            }
        }
        if (delimiter == std::string::npos)
            return;
        std::size_t start = delimiter + 1;
        std::size_t end = text.find_first_of(" <", start);
        if (end == std::string::npos)
            end = text.size();
        replaceByLink(text, start, end, "<A HREF=\"mailto:", text.substr(start, end - start));
    }

    // Separators of anchor names, besides the Latin-1 letters.
    bool isAsciiSeparator(char c)
    {
        constexpr std::string_view separators = " \t'`()[]{}#~&|-\\/@=+$%!?^:;,.<>*\"";
        return separators.find(c) != std::string_view::npos;
    }

    // The Latin-1 signs that separate words in anchor names: ² ° £ ¤ § µ.
    bool isLatin1Separator(std::string_view text, std::size_t i)
    {
        if (i + 1 >= text.size() || static_cast<unsigned char>(text[i]) != 0xC2)
            return false;
        switch (static_cast<unsigned char>(text[i + 1])) {
        case 0xB2:
        case 0xB0:
        case 0xA3:
        case 0xA4:
        case 0xA7:
        case 0xB5:
            return true;
        default:
            return false;
        }
    }

    std::string anchorName(std::string_view text, const std::optional<std::string>& vNom)
    {
        return upperCase(sNomAncre(vNom ? std::string_view(*vNom) : text));
    }

} // namespace

std::string sChangeCaractere(std::string_view sTexte, std::string_view sCherche, std::string_view sRemplace)
{
    if (sCherche.empty() || trim(sTexte).empty())
        return std::string(sTexte);
    return replaceAll(sTexte, sCherche, sRemplace);
}

std::string sEchappeHTML(std::string_view sTexte)
{
    std::string out;
    out.reserve(sTexte.size() + 16);
    for (char c : sTexte) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string sTexteHTML(std::string_view sTexte)
{
    if (sTexte.empty())
        return {};
    std::string text = replaceEntities(sTexte);
    linkFirstWebAddress(text, "http://");
    linkFirstWebAddress(text, "ftp://");
    linkFirstMailAddress(text);
    return text;
}

std::string sNomAncre(std::string_view sNom)
{
    std::string out;
    out.reserve(sNom.size());
    for (std::size_t i = 0; i < sNom.size(); ++i) {
        if (latin1Entity(sNom, i) || isLatin1Separator(sNom, i)) {
            out += '_';
            ++i;
        } else if (isAsciiSeparator(sNom[i])) {
            out += '_';
        } else {
            out += sNom[i];
        }
    }
    return out;
}

std::string sBaliseBody(const HtmlOptions& options)
{
    return "<BODY BACKGROUND=\"" + (options.back ? options.imageBack : std::string()) + "\" BGCOLOR=\""
        + (options.fond ? options.couleurRGB : std::string()) + "\">";
}

std::string sImageHTML(std::string_view sSource, bool bCommentaire)
{
    std::string tag = "IMG SRC=\"" + std::string(sSource) + "\" ALIGN=\"MIDDLE\"";
    return bCommentaire ? "<!--" + tag + "-->" : "<" + tag + ">";
}

std::string sEnteteHTML(const HtmlOptions& options, const std::optional<std::string>& vTitre)
{
    std::string title;
    if (options.titre) {
        std::string dialogTitle = trim(options.texteTitre);
        if (!dialogTitle.empty())
            title = sTexteHTML(dialogTitle);
        else if (vTitre)
            title = sTexteHTML(*vTitre);
    }

    std::string header = "<!-- Document HTML cr\xC3\xA9\xC3\xA9 par " + sLoadString(10000) + " -->\r\n";
    header += "<!-- DOCTYPE HTML SYSTEM \"html.dtd\" -->\r\n";
    header += "<HTML><HEAD><TITLE>" + title + "</TITLE></HEAD>\r\n";
    header += sBaliseBody(options) + sImageHTML(options.image ? options.imageDebut : std::string(), true) + "\r\n";
    return header;
}

std::string sFinHTML() { return "</BODY>\r\n</HTML>"; }

std::string sAncreHTML(std::string_view sTexte, bool bGras, bool bTexte, const std::optional<std::string>& vNom)
{
    if (sTexte.empty())
        return {};
    std::string out = "<A NAME=\"" + anchorName(sTexte, vNom) + "\">";
    if (bTexte) {
        if (bGras)
            out += "<B>" + sTexteHTML(sTexte) + "</B>";
        else
            out += sTexteHTML(sTexte);
    }
    return out;
}

std::string sLienHTML(std::string_view sTexte, std::string_view sFichier, std::string_view sAttributs,
    const std::optional<std::string>& vNom)
{
    if (sTexte.empty())
        return {};
    return "<A HREF=\"" + std::string(sFichier) + "#" + anchorName(sTexte, vNom) + "\" " + std::string(sAttributs) + ">"
        + sTexteHTML(sTexte) + "</A>";
}

} // namespace quarex
