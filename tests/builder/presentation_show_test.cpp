#include "builder/presentation_show.h"

#include <gtest/gtest.h>

#include "builder/presentation_transitions.h"
#include "builder/xml_tags.h"
#include "support/expect_error.h"

namespace orlscr::mkscr {
namespace {

std::string Slide(const std::string& attributes, const std::string& timing) {
    return R"(<?xml version="1.0"?><p:sld xmlns:p="p" xmlns:a="a")" + attributes + "><p:cSld/>" + timing + "</p:sld>";
}

SlideOptions Options(std::optional<int32_t> duration, std::optional<int32_t> style, std::optional<int32_t> length) {
    return SlideOptions{.durationMs = duration, .style = style, .transitionMs = length};
}

TEST(PptxShowTest, ReadsHiddenAdvanceTimeKindAndSpeed) {
    EXPECT_EQ(PptxSlideShow(Slide("", "")), PresentationSlide{});
    EXPECT_TRUE(PptxSlideShow(Slide(R"( show="0")", "")).hidden);
    EXPECT_FALSE(PptxSlideShow(Slide(R"( show="1")", "")).hidden);
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition spd="slow" advTm="3000"><p:fade/></p:transition>)")).options,
              Options(3000, 118, 1000));
    // No speed: the format's default, fast.
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition><p:wipe dir="d"/></p:transition>)")).options,
              Options(std::nullopt, 22, 500));
    // An advance time alone keeps the show's transition.
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition advTm="7000"/>)")).options, Options(7000, {}, {}));
    // A cut shows the slide at once, whatever its style.
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition spd="med"><p:cut/></p:transition>)")).options,
              Options({}, {}, 0));
}

TEST(PptxShowTest, PrefersAKnownKindAndTheExactLengthOfANewerReader) {
    const std::string twice = R"(<mc:AlternateContent><mc:Choice Requires="p14">
        <p:transition spd="slow" p14:dur="2500" advTm="4000"><p14:vortex dir="r"/></p:transition></mc:Choice>
        <mc:Fallback><p:transition spd="slow" advTm="4000"><p:fade/></p:transition></mc:Fallback>
        </mc:AlternateContent>)";
    EXPECT_EQ(PptxSlideShow(Slide("", twice)).options, Options(4000, 127, 2500));
    const std::string unknown = R"(<mc:AlternateContent><mc:Choice Requires="p15">
        <p:transition p14:dur="1200"><p15:prstTrans prst="curtains"/></p:transition></mc:Choice>
        <mc:Fallback><p:transition><p:push dir="r"/></p:transition></mc:Fallback></mc:AlternateContent>)";
    EXPECT_EQ(PptxSlideShow(Slide("", unknown)).options, Options({}, 4, 1200));
    // A sound comes before the kind it goes with.
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition><p:sndAc><p:stSnd><p:snd r:embed="x"/></p:stSnd></p:sndAc>
        <p:circle/></p:transition>)"))
                  .options,
              Options({}, 84, 500));
}

TEST(PptxShowTest, OddValuesAreLeftOutOrBounded) {
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition advTm="soon" spd="warp"><p:zoom/></p:transition>)")).options,
              Options({}, 52, 500));
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition advTm="-5"/>)")).options, Options({}, {}, {}));
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition advTm="0"/>)")).options, Options(kMinSlideDurationMs, {}, {}));
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition advTm="999999999999"/>)")).options,
              Options(kMaxSlideDurationMs, {}, {}));
    // A kind no style comes near: a style drawn at random, at the slide's speed.
    EXPECT_EQ(PptxSlideShow(Slide("", R"(<p:transition spd="slow"><p:unheardOf/></p:transition>)")).options,
              Options({}, {}, 1000));
    EXPECT_THROW(PptxSlideShow("<p:sld show=\"0"), Error);
}

TEST(PptxShowTest, OrdersSlidesByThePresentationsListNotTheirNames) {
    const std::string presentation = R"(<p:presentation><p:sldIdLst><p:sldId id="257" r:id="rId9"/>
        <p:sldId id="256" r:id="rId2"/><p:sldId id="258" r:id="rIdMissing"/></p:sldIdLst></p:presentation>)";
    const std::string rels = R"(<Relationships>
        <Relationship Id="rId2" Type="slide" Target="slides/slide1.xml"/>
        <Relationship Id="rId9" Type="slide" Target="/ppt/slides/slide10.xml"/></Relationships>)";
    EXPECT_EQ(PptxSlideParts(presentation, rels),
              (std::vector<std::string>{"ppt/slides/slide10.xml", "ppt/slides/slide1.xml"}));
}

std::string Content(const std::string& styles, const std::string& pages) {
    return "<office:document-content><office:automatic-styles>" + styles +
           "</office:automatic-styles><office:body><office:presentation>" + pages +
           "</office:presentation></office:body></office:document-content>";
}

std::string PageStyle(const std::string& name, const std::string& properties) {
    return R"(<style:style style:name=")" + name + R"(" style:family="drawing-page">)" +
           "<style:drawing-page-properties " + properties + "/></style:style>";
}

TEST(OdpShowTest, ReadsPagesThroughTheirStyles) {
    const std::string content =
        Content(PageStyle("dp1", R"(presentation:transition-type="automatic" presentation:duration="PT00H00M03S"
                           smil:type="barWipe" smil:subtype="topToBottom" smil:direction="reverse"
                           presentation:transition-speed="slow")") +
                    PageStyle("dp2", R"(presentation:visibility="hidden")") +
                    PageStyle("dp3", R"(presentation:transition-type="manual" presentation:duration="PT5S")") +
                    R"(<style:style style:name="P1" style:family="paragraph"><style:drawing-page-properties
                presentation:visibility="hidden"/></style:style>)",
                R"(<draw:page draw:style-name="dp1"><anim:par presentation:node-type="timing-root"><anim:par>
             <anim:transitionFilter smil:dur="0.75s" smil:type="barWipe" smil:subtype="topToBottom"
               smil:direction="reverse"/>
             <anim:transitionFilter smil:targetElement="shape1" smil:type="fade"/></anim:par></anim:par></draw:page>
           <draw:page draw:style-name="dp2"/><draw:page draw:style-name="dp1"/><draw:page draw:style-name="dp3"/>
           <draw:page draw:style-name="P1"></draw:page><draw:page/>)");
    const std::vector<PresentationSlide> pages = OdpPagesShow(content);
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(pages[0], (PresentationSlide{false, Options(3000, 23, 750)}));
    EXPECT_EQ(pages[1], (PresentationSlide{true, {}}));
    // The speed of the style where the page has no timing tree.
    EXPECT_EQ(pages[2], (PresentationSlide{false, Options(3000, 23, 2000)}));
    // Advanced by a click: no duration of its own.
    EXPECT_EQ(pages[3], PresentationSlide{});
    EXPECT_EQ(pages[4], PresentationSlide{});
    EXPECT_EQ(pages[5], PresentationSlide{});
}

TEST(OdpShowTest, OddTimesAreLeftOut) {
    const std::vector<PresentationSlide> pages =
        OdpPagesShow(Content(PageStyle("a", R"(presentation:duration="PT-3S" smil:type="fade" smil:dur="x")") +
                                 PageStyle("b", R"(presentation:duration="soon" smil:type="fourBoxWipe")"),
                             R"(<draw:page draw:style-name="a"/><draw:page draw:style-name="b"/>)"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].options, Options({}, 118, 1000));
    EXPECT_EQ(pages[1].options, Options({}, 54, 1000));
}

TEST(ShowTimeTest, ReadsDurationsAndClockValues) {
    EXPECT_EQ(ParseShowTime("PT00H00M05S"), 5000);
    EXPECT_EQ(ParseShowTime("PT1M2.5S"), 62500);
    EXPECT_EQ(ParseShowTime("PT1H"), 3600000);
    EXPECT_EQ(ParseShowTime("2s"), 2000);
    EXPECT_EQ(ParseShowTime("0.5s"), 500);
    EXPECT_EQ(ParseShowTime("250ms"), 250);
    EXPECT_EQ(ParseShowTime(" 1.5 "), 1500);
    for (const char* odd : {"", "PT", "PT5", "PT5X", "P1D", "-2s", "1.2.3s", "s", "PT.S"})
        EXPECT_EQ(ParseShowTime(odd), std::nullopt) << odd;
}

TEST(TransitionTableTest, SidesAndCornersComeFromWhereTheSlideMoves) {
    // Moving up: the new slide comes in from the bottom; a wipe moving right
    // reveals from the left.
    EXPECT_EQ(PptxTransitionStyle("push", "u", ""), 20);
    EXPECT_EQ(PptxTransitionStyle("cover", "", ""), 3);
    EXPECT_EQ(PptxTransitionStyle("cover", "rd", ""), 41);
    EXPECT_EQ(PptxTransitionStyle("wipe", "r", ""), 5);
    EXPECT_EQ(PptxTransitionStyle("pull", "d", ""), 22);
    EXPECT_EQ(PptxTransitionStyle("strips", "ru", ""), 112);
    EXPECT_EQ(PptxTransitionStyle("split", "in", "vert"), 12);
    EXPECT_EQ(PptxTransitionStyle("split", "", ""), 28);
    EXPECT_EQ(PptxTransitionStyle("randomBar", "vert", ""), 76);
    EXPECT_EQ(PptxTransitionStyle("cut", "", ""), kInstantTransition);
    EXPECT_EQ(OdpTransitionStyle("pushWipe", "fromLeft", false), 4);
    EXPECT_EQ(OdpTransitionStyle("barWipe", "leftToRight", true), 6);
    EXPECT_EQ(OdpTransitionStyle("slideWipe", "fromRight", true), 5);
    EXPECT_EQ(OdpTransitionStyle("ellipseWipe", "circle", true), 85);
    EXPECT_EQ(OdpTransitionStyle("diagonalWipe", "bottomRight", false), 113);
    EXPECT_EQ(OdpTransitionStyle("none", "", false), std::nullopt);
}

TEST(XmlTagsTest, ReadsAttributesAndPassesOverOtherMarkup) {
    XmlTagReader reader(R"(<?xml version="1.0"?><!-- <a x="1"> --><!DOCTYPE d><a x='1 &amp; 2'
        y = "&#65;&#x42;&lt;&bogus;"><![CDATA[<b/>]]><c/></a>)");
    XmlTag tag;
    ASSERT_TRUE(reader.Next(tag));
    EXPECT_EQ(tag.name, "a");
    EXPECT_EQ(tag.Attribute("x"), "1 & 2");
    EXPECT_EQ(tag.Attribute("y"), "AB<&bogus;");
    ASSERT_TRUE(reader.Next(tag));
    EXPECT_EQ(tag.name, "c");
    EXPECT_TRUE(tag.empty);
    ASSERT_TRUE(reader.Next(tag));
    EXPECT_TRUE(tag.closing);
    EXPECT_FALSE(reader.Next(tag));
    XmlTagReader cut("<a x=\"1\"");
    EXPECT_ERROR_MSG(cut.Next(tag), "the XML ends inside the tag <a>");
}

}  // namespace
}  // namespace orlscr::mkscr
