#include "html/lib_html.h"

#include "text/string_table.h"
#include "text/text.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

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

    // A part of the text that later link steps must not search: a tag of the text, or a link added.
    struct Span {
        std::size_t start;
        std::size_t end;
        bool mail = false; // a link added: web (false) or mail (true)
        bool link = false;
    };

    // The text with its tags and the links found so far, kept apart until the text is written out.
    class LinkedText {
    public:
        explicit LinkedText(std::string text)
            : m_text(std::move(text))
        {
            for (std::size_t open = m_text.find('<'); open != std::string::npos; open = m_text.find('<', open + 1)) {
                std::size_t close = m_text.find('>', open + 1);
                if (close == std::string::npos)
                    break;
                m_spans.push_back({ open, close + 1 });
                open = close;
            }
        }

        // The first occurrence of `prefix` in plain text becomes a web link.
        void linkFirstWebAddress(std::string_view prefix)
        {
            for (std::size_t p = m_text.find(prefix); p != std::string::npos; p = m_text.find(prefix, p + 1)) {
                if (spanAt(p))
                    continue;
                addLink(p, addressEnd(p), false);
                return;
            }
        }

        // The address around the first "@" of plain text, when a blank or a tag stands before it, becomes a mail link.
        void linkFirstMailAddress()
        {
            std::size_t at = m_text.find('@');
            while (at != std::string::npos && spanAt(at))
                at = m_text.find('@', at + 1);
            if (at == std::string::npos)
                return;
            // A tag or a link before the address ends it as a blank does.
            std::size_t floor = plainStart(at);
            std::size_t start = at;
            while (start > floor && !endsAddress(m_text[start - 1]) && !escapedBracketBefore(start))
                --start;
            if (start == 0)
                return; // no blank before the address
            addLink(start, addressEnd(at), true);
        }

        std::string str() const
        {
            std::string out;
            out.reserve(m_text.size() + 64);
            std::size_t done = 0;
            for (const Span& span : m_spans) {
                if (!span.link)
                    continue;
                std::string_view address = std::string_view(m_text).substr(span.start, span.end - span.start);
                out.append(m_text, done, span.start - done);
                out += span.mail ? "<A HREF=\"mailto:" : " <A HREF=\"";
                out += address;
                out += "\">";
                out += address;
                out += "</A>";
                done = span.end;
            }
            out.append(m_text, done, std::string::npos);
            return out;
        }

    private:
        // What cannot belong to an address: blanks and controls, the quote and the angle brackets
        // (raw, or as the entities that escaped text holds).
        bool endsAddress(char c) const
        {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '<' || c == '>' || c == 0x7F;
        }
        bool escapedBracketAt(std::size_t i) const
        {
            std::string_view rest = std::string_view(m_text).substr(i);
            return rest.starts_with("&quot;") || rest.starts_with("&lt;") || rest.starts_with("&gt;");
        }

        bool escapedBracketBefore(std::size_t i) const
        {
            std::string_view before = std::string_view(m_text).substr(0, i);
            return before.ends_with("&quot;") || before.ends_with("&lt;") || before.ends_with("&gt;");
        }

        // The end of an address starting at or around `from`: the first character that cannot belong to it,
        // or the first tag or link after it.
        std::size_t addressEnd(std::size_t from) const
        {
            auto next = std::upper_bound(
                m_spans.begin(), m_spans.end(), from, [](std::size_t i, const Span& span) { return i < span.start; });
            std::size_t limit = next == m_spans.end() ? m_text.size() : next->start;
            std::size_t end = from;
            while (end < limit && !endsAddress(m_text[end]) && !(m_text[end] == '&' && escapedBracketAt(end)))
                ++end;
            return end;
        }

        // The tag or link holding text[i], or nullptr (spans are in text order: a binary search).
        const Span* spanAt(std::size_t i) const
        {
            auto after = std::upper_bound(
                m_spans.begin(), m_spans.end(), i, [](std::size_t at, const Span& span) { return at < span.start; });
            if (after == m_spans.begin())
                return nullptr;
            const Span& span = *std::prev(after);
            return i < span.end ? &span : nullptr;
        }

        // Where the plain text holding text[i] starts: the end of the last tag or link before it, or 0.
        std::size_t plainStart(std::size_t i) const
        {
            auto after = std::upper_bound(
                m_spans.begin(), m_spans.end(), i, [](std::size_t at, const Span& span) { return at < span.start; });
            return after == m_spans.begin() ? 0 : std::prev(after)->end;
        }

        void addLink(std::size_t start, std::size_t end, bool mail)
        {
            if (end <= start)
                return;
            Span link { start, end, mail, true };
            auto at = std::lower_bound(
                m_spans.begin(), m_spans.end(), link, [](const Span& a, const Span& b) { return a.start < b.start; });
            m_spans.insert(at, link);
        }

        std::string m_text;
        std::vector<Span> m_spans; // in text order, never overlapping
    };

    // Separators of anchor names, besides the Latin-1 letters.
    bool isAsciiSeparator(char c)
    {
        constexpr std::string_view separators = " \t'`()[]{}#~&|-\\/@=+$%!?^:;,.<>*\"";
        // Controls too: an anchor name is also part of a link address.
        return separators.find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
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
    // Most cells hold no letter with an entity and nothing a link needs (":" of a web address, "@" of a mail one).
    if (sTexte.find_first_of(":@\xC3") == std::string_view::npos)
        return std::string(sTexte);
    // Each step searches the plain text only: an address never starts inside a tag or a link added before.
    LinkedText text(replaceEntities(sTexte));
    text.linkFirstWebAddress("http://");
    text.linkFirstWebAddress("ftp://");
    text.linkFirstMailAddress();
    return text.str();
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
    // The settings file can be edited by hand: its values are text, never markup.
    return "<BODY BACKGROUND=\"" + (options.back ? sEchappeHTML(options.imageBack) : std::string()) + "\" BGCOLOR=\""
        + (options.fond ? sEchappeHTML(options.couleurRGB) : std::string()) + "\">";
}

std::string sImageHTML(std::string_view sSource, bool bCommentaire)
{
    // Escaped, the source cannot end the comment ("-->") nor the attribute.
    std::string tag = "IMG SRC=\"" + sEchappeHTML(sSource) + "\" ALIGN=\"MIDDLE\"";
    return bCommentaire ? "<!--" + tag + "-->" : "<" + tag + ">";
}

std::string sEnteteHTML(const HtmlOptions& options, const std::optional<std::string>& vTitre)
{
    std::string title;
    if (options.titre) {
        std::string dialogTitle = trim(options.texteTitre);
        if (!dialogTitle.empty())
            title = sTexteHTML(sEchappeHTML(dialogTitle));
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
    // The text of a link gets its entities but no link of its own: links cannot nest.
    return "<A HREF=\"" + std::string(sFichier) + "#" + anchorName(sTexte, vNom) + "\" " + std::string(sAttributs) + ">"
        + replaceEntities(sTexte) + "</A>";
}

} // namespace quarex
