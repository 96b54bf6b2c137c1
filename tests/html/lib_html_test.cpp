#include "html/lib_html.h"

#include "support/html_markup.h"

#include <gtest/gtest.h>

using namespace quarex;

TEST(ChangeCaractere, ReplacesEveryOccurrenceButLeavesBlankTextAlone)
{
    EXPECT_EQ(sChangeCaractere("a\r\nb\r\nc", "\r\n", "<BR>"), "a<BR>b<BR>c");
    EXPECT_EQ(sChangeCaractere("aaa", "aa", "b"), "ba");
    EXPECT_EQ(sChangeCaractere("abc", "b", "bb"), "abbc");
    EXPECT_EQ(sChangeCaractere("Abc", "a", "x"), "Abc");
    EXPECT_EQ(sChangeCaractere("   ", " ", "x"), "   ");
    EXPECT_EQ(sChangeCaractere("", "a", "x"), "");
    EXPECT_EQ(sChangeCaractere("abc", "", "x"), "abc");
}

TEST(TexteHTML, LatinLettersBecomeNamedEntitiesAndMarkupPassesThrough)
{
    EXPECT_EQ(sTexteHTML("Élève à l'école"), "&Eacute;l&egrave;ve &agrave; l'&eacute;cole");
    EXPECT_EQ(sTexteHTML("R&D <b>"), "R&D <b>");
    EXPECT_EQ(sTexteHTML(""), "");
    // Every letter from U+00C0 to U+00FF except the two signs has an entity; the signs and the
    // other Latin-1 characters pass unchanged.
    EXPECT_EQ(sTexteHTML("×÷ ¡¿ «»"), "×÷ ¡¿ «»");
    EXPECT_EQ(sTexteHTML("ÆÐÞßæðþÿ"), "&AElig;&ETH;&THORN;&szlig;&aelig;&eth;&thorn;&yuml;");
    EXPECT_EQ(sTexteHTML("ØøÑñÇç"), "&Oslash;&oslash;&Ntilde;&ntilde;&Ccedil;&ccedil;");
    int entities = 0;
    for (char32_t cp = 0xC0; cp <= 0xFF; ++cp) {
        std::string letter;
        letter += static_cast<char>(0xC0 | (cp >> 6));
        letter += static_cast<char>(0x80 | (cp & 0x3F));
        std::string html = sTexteHTML(letter);
        if (html != letter) {
            ++entities;
            EXPECT_EQ(html.front(), '&');
            EXPECT_EQ(html.back(), ';');
        }
    }
    EXPECT_EQ(entities, 62);
}

TEST(TexteHTML, LinksTheFirstWebAddressOfEachKind)
{
    EXPECT_EQ(sTexteHTML("voir http://serveur/page ici"),
        "voir  <A HREF=\"http://serveur/page\">http://serveur/page</A> ici");
    EXPECT_EQ(sTexteHTML("http://serveur"), " <A HREF=\"http://serveur\">http://serveur</A>");
    EXPECT_EQ(sTexteHTML("http://serveur<BR>suite"), " <A HREF=\"http://serveur\">http://serveur</A><BR>suite");
    EXPECT_EQ(sTexteHTML("http://a http://b"), " <A HREF=\"http://a\">http://a</A> http://b");
    EXPECT_EQ(sTexteHTML("ftp://f.org/x et http://w.org"),
        " <A HREF=\"ftp://f.org/x\">ftp://f.org/x</A> et  <A HREF=\"http://w.org\">http://w.org</A>");
}

TEST(TexteHTML, LinksTheFirstMailAddressOnlyAfterABlankOrTag)
{
    EXPECT_EQ(
        sTexteHTML("ecrire a nom@serveur merci"), "ecrire a <A HREF=\"mailto:nom@serveur\">nom@serveur</A> merci");
    EXPECT_EQ(sTexteHTML("nom@serveur"), "nom@serveur");
    EXPECT_EQ(sTexteHTML(" nom@serveur"), " <A HREF=\"mailto:nom@serveur\">nom@serveur</A>");
    EXPECT_EQ(sTexteHTML("<BR>nom@serveur"), "<BR><A HREF=\"mailto:nom@serveur\">nom@serveur</A>");
    EXPECT_EQ(sTexteHTML("a b@c<BR>d e@f"), "a <A HREF=\"mailto:b@c\">b@c</A><BR>d e@f");
}

TEST(NomAncre, SeparatorsAndLettersBecomeUnderscores)
{
    EXPECT_EQ(sNomAncre("Archives ZIP (2)"), "Archives_ZIP__2_");
    EXPECT_EQ(sNomAncre(""), "");
    EXPECT_EQ(sNomAncre("/cd/Jeux-1.0/é²°£¤§µ"), "_cd_Jeux_1_0________");
    EXPECT_EQ(sNomAncre("a\tb'c`d[e]f{g}h#i~j&k|l@m=n+o$p%q!r?s^t:u;v,w<x>y*z\"\\"),
        "a_b_c_d_e_f_g_h_i_j_k_l_m_n_o_p_q_r_s_t_u_v_w_x_y_z__");
}

TEST(PageHeader, AllOptionsOff)
{
    HtmlOptions off;
    std::string header = sEnteteHTML(off, std::string("Tableaux des fichiers"));
    EXPECT_NE(header.find("\r\n<!-- DOCTYPE HTML SYSTEM \"html.dtd\" -->\r\n<HTML><HEAD><TITLE></TITLE></HEAD>\r\n"
                          "<BODY BACKGROUND=\"\" BGCOLOR=\"\"><!--IMG SRC=\"\" ALIGN=\"MIDDLE\"-->\r\n"),
        std::string::npos)
        << header;
    EXPECT_EQ(header.rfind("<!--", 0), 0u);
    EXPECT_EQ(header.size() - header.rfind("-->\r\n"), 5u);
    EXPECT_EQ(sBaliseBody(off), "<BODY BACKGROUND=\"\" BGCOLOR=\"\">");
}

TEST(PageHeader, TitleRuleAndOptions)
{
    HtmlOptions o;
    o.titre = true;
    auto titleOf = [](const std::string& header) {
        std::size_t a = header.find("<TITLE>") + 7;
        return header.substr(a, header.find("</TITLE>") - a);
    };
    EXPECT_EQ(titleOf(sEnteteHTML(o, std::string("Liste des données"))), "Liste des donn&eacute;es");
    EXPECT_EQ(titleOf(sEnteteHTML(o)), "");
    o.texteTitre = "  Mon CD à moi ";
    EXPECT_EQ(titleOf(sEnteteHTML(o, std::string("Liste des données"))), "Mon CD &agrave; moi");
    EXPECT_EQ(titleOf(sEnteteHTML(o)), "Mon CD &agrave; moi");
    o.titre = false;
    EXPECT_EQ(titleOf(sEnteteHTML(o, std::string("Liste"))), "");

    o.back = true;
    o.imageBack = "fond.gif";
    o.fond = true;
    o.couleurRGB = "#FF8000";
    o.image = true;
    o.imageDebut = "logo.gif";
    EXPECT_EQ(sBaliseBody(o), "<BODY BACKGROUND=\"fond.gif\" BGCOLOR=\"#FF8000\">");
    EXPECT_NE(sEnteteHTML(o).find("<BODY BACKGROUND=\"fond.gif\" BGCOLOR=\"#FF8000\"><!--IMG SRC=\"logo.gif\" "
                                  "ALIGN=\"MIDDLE\"-->\r\n"),
        std::string::npos);
    o.fond = false;
    o.back = false;
    EXPECT_EQ(sBaliseBody(o), "<BODY BACKGROUND=\"\" BGCOLOR=\"\">");
}

TEST(Fragments, ImageFooterAnchorAndLink)
{
    EXPECT_EQ(sImageHTML("a.gif", false), "<IMG SRC=\"a.gif\" ALIGN=\"MIDDLE\">");
    EXPECT_EQ(sImageHTML("a.gif", true), "<!--IMG SRC=\"a.gif\" ALIGN=\"MIDDLE\"-->");
    EXPECT_EQ(sFinHTML(), "</BODY>\r\n</HTML>");

    EXPECT_EQ(sAncreHTML("", true, true), "");
    EXPECT_EQ(sAncreHTML("Informations sur les archives ZIP", false, true, std::string("Zip")),
        "<A NAME=\"ZIP\">Informations sur les archives ZIP");
    EXPECT_EQ(sAncreHTML("Clé", true, true), "<A NAME=\"CL_\"><B>Cl&eacute;</B>");
    EXPECT_EQ(sAncreHTML("Clé", true, false), "<A NAME=\"CL_\">");

    EXPECT_EQ(sLienHTML("", "f.htm", "", std::string("x")), "");
    EXPECT_EQ(sLienHTML("Liste des archives ZIP", "rapport_donnees.htm", "TARGET=\"data\"", std::string("Zip")),
        "<A HREF=\"rapport_donnees.htm#ZIP\" TARGET=\"data\">Liste des archives ZIP</A>");
    EXPECT_EQ(sLienHTML("Liste des exécutables", "d.htm", "TARGET=\"data\"", std::string("Executbale")),
        "<A HREF=\"d.htm#EXECUTBALE\" TARGET=\"data\">Liste des ex&eacute;cutables</A>");
    EXPECT_EQ(sLienHTML("a b", "d.htm", "X"), "<A HREF=\"d.htm#A_B\" X>a b</A>");
}

TEST(EchappeHTML, DiscTextCannotBecomeMarkup)
{
    EXPECT_EQ(sEchappeHTML("<script>alert(\"x\")</script> & </TABLE>"),
        "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &lt;/TABLE&gt;");
    // Escaped first, the text still gets its entities and links.
    EXPECT_EQ(sTexteHTML(sEchappeHTML("<Entrée> voir http://a.b/?x=1&y=2")),
        "&lt;Entr&eacute;e&gt; voir  <A HREF=\"http://a.b/?x=1&amp;y=2\">http://a.b/?x=1&amp;y=2</A>");
}

TEST(TexteHTML, LinksAreMadeInPlainTextOnlyAndAddressesStayInsideTheirAttribute)
{
    using quarex::test::markupFault;
    // Each later step used to search the markup of the earlier ones.
    EXPECT_EQ(sTexteHTML(sEchappeHTML("http://x/onmouseover=alert(1)//@y")),
        " <A HREF=\"http://x/onmouseover=alert(1)//@y\">http://x/onmouseover=alert(1)//@y</A>");
    EXPECT_EQ(sTexteHTML(sEchappeHTML("http://ftp://x/onmouseover=alert(2)//")),
        " <A HREF=\"http://ftp://x/onmouseover=alert(2)//\">http://ftp://x/onmouseover=alert(2)//</A>");
    // A later step still links what lies outside the earlier links.
    EXPECT_EQ(sTexteHTML("http://a/b ftp://c nom@d"),
        " <A HREF=\"http://a/b\">http://a/b</A>  <A HREF=\"ftp://c\">ftp://c</A> <A HREF=\"mailto:nom@d\">nom@d</A>");
    EXPECT_EQ(sTexteHTML("ftp://ahttp://b"), " <A HREF=\"ftp://a\">ftp://a</A> <A HREF=\"http://b\">http://b</A>");
    // Quotes, angle brackets and blanks end an address, raw or escaped.
    EXPECT_EQ(sTexteHTML(sEchappeHTML("Auteur <nom@serveur.fr>")),
        "Auteur &lt;<A HREF=\"mailto:nom@serveur.fr\">nom@serveur.fr</A>&gt;");
    EXPECT_EQ(sTexteHTML(sEchappeHTML("voir \"http://a.b/\" ici")),
        "voir &quot; <A HREF=\"http://a.b/\">http://a.b/</A>&quot; ici");
    EXPECT_EQ(sTexteHTML("http://a\"onclick=x>y\tz"), " <A HREF=\"http://a\">http://a</A>\"onclick=x>y\tz");
    EXPECT_EQ(sTexteHTML("a\tb@c"), "a\t<A HREF=\"mailto:b@c\">b@c</A>");
    // An address never starts or goes on inside a tag of the text.
    EXPECT_EQ(
        sTexteHTML("<BR>http://<BR>x@y"), "<BR> <A HREF=\"http://\">http://</A><BR><A HREF=\"mailto:x@y\">x@y</A>");
    for (const char* line : { "http://x/onmouseover=alert(1)//@y", "http://ftp://x/onmouseover=alert(2)//",
             "ftp://http://\"@'<>@x", "a@b@c http://@ ftp://@ d@e", "<a href=\"http://x\">m@n</a>", "http://" })
        EXPECT_EQ(markupFault(sTexteHTML(sEchappeHTML(line))), "") << line;
}

TEST(PageHeader, SettingsValuesCannotBecomeMarkup)
{
    HtmlOptions o;
    o.back = true;
    o.imageBack = "x\" onload=\"alert(5)";
    o.fond = true;
    o.couleurRGB = "#FFF\"><SCRIPT>";
    o.image = true;
    o.imageDebut = "a.gif\"--><SCRIPT>alert(6)</SCRIPT>";
    o.titre = true;
    o.texteTitre = "</TITLE><SCRIPT>alert(7)</SCRIPT> & co";
    EXPECT_EQ(
        sBaliseBody(o), "<BODY BACKGROUND=\"x&quot; onload=&quot;alert(5)\" BGCOLOR=\"#FFF&quot;&gt;&lt;SCRIPT&gt;\">");
    std::string header = sEnteteHTML(o);
    EXPECT_EQ(header.find("<SCRIPT>"), std::string::npos) << header;
    EXPECT_NE(
        header.find("<TITLE>&lt;/TITLE&gt;&lt;SCRIPT&gt;alert(7)&lt;/SCRIPT&gt; &amp; co</TITLE>"), std::string::npos)
        << header;
    EXPECT_NE(header.find("<!--IMG SRC=\"a.gif&quot;--&gt;&lt;SCRIPT&gt;alert(6)&lt;/SCRIPT&gt;\" ALIGN=\"MIDDLE\"-->"),
        std::string::npos)
        << header;
    EXPECT_EQ(sImageHTML("a b.gif", false), "<IMG SRC=\"a b.gif\" ALIGN=\"MIDDLE\">");
}

TEST(TexteHTML, AHugeReadmeIsLinkedWithoutGoingBackOverItsTags)
{
    // Many lines, then one very long word before the "@": each step of the search back must not look
    // at every tag again.
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "ligne<BR>";
    text += " " + std::string(200000, 'a') + "@b";
    std::string html = sTexteHTML(text);
    EXPECT_EQ(html.size(), text.size() + std::string("<A HREF=\"mailto:\"></A>").size() + 200002);
    EXPECT_EQ(html.substr(html.size() - 7), "a@b</A>");
}
