"""Small presentations written by the tests: a .pptx and an .odp (zip files
of XML) whose slides are filled with one colour each, with hidden slides,
advance times and transitions, and a PDF of coloured pages."""
import zipfile

# A slide: (colour "RRGGBB", hidden, advance time in ms or None, transition XML or None)

_PPTX_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/ppt/presentation.xml" ContentType="application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml"/>
<Override PartName="/ppt/slideMasters/slideMaster1.xml" ContentType="application/vnd.openxmlformats-officedocument.presentationml.slideMaster+xml"/>
<Override PartName="/ppt/slideLayouts/slideLayout1.xml" ContentType="application/vnd.openxmlformats-officedocument.presentationml.slideLayout+xml"/>
<Override PartName="/ppt/theme/theme1.xml" ContentType="application/vnd.openxmlformats-officedocument.theme+xml"/>
{slides}
</Types>"""

_NS = ('xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
       'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" '
       'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"')

_REL = '<Relationship Id="{id}" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/{type}" Target="{target}"/>'

_TREE = ('<p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>'
         '<p:grpSpPr/></p:spTree>')

_THEME = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" name="T"><a:themeElements>
<a:clrScheme name="T"><a:dk1><a:srgbClr val="000000"/></a:dk1><a:lt1><a:srgbClr val="FFFFFF"/></a:lt1>
<a:dk2><a:srgbClr val="000000"/></a:dk2><a:lt2><a:srgbClr val="FFFFFF"/></a:lt2>
<a:accent1><a:srgbClr val="4472C4"/></a:accent1><a:accent2><a:srgbClr val="ED7D31"/></a:accent2>
<a:accent3><a:srgbClr val="A5A5A5"/></a:accent3><a:accent4><a:srgbClr val="FFC000"/></a:accent4>
<a:accent5><a:srgbClr val="5B9BD5"/></a:accent5><a:accent6><a:srgbClr val="70AD47"/></a:accent6>
<a:hlink><a:srgbClr val="0563C1"/></a:hlink><a:folHlink><a:srgbClr val="954F72"/></a:folHlink></a:clrScheme>
<a:fontScheme name="T"><a:majorFont><a:latin typeface="Arial"/><a:ea typeface=""/><a:cs typeface=""/></a:majorFont>
<a:minorFont><a:latin typeface="Arial"/><a:ea typeface=""/><a:cs typeface=""/></a:minorFont></a:fontScheme>
<a:fmtScheme name="T"><a:fillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:fillStyleLst>
<a:lnStyleLst><a:ln w="6350"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln><a:ln w="6350"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln><a:ln w="6350"><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:ln></a:lnStyleLst>
<a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst>
<a:bgFillStyleLst><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill><a:solidFill><a:schemeClr val="phClr"/></a:solidFill></a:bgFillStyleLst>
</a:fmtScheme></a:themeElements></a:theme>"""


def _rels(*rels):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            + "".join(_REL.format(id=i, type=t, target=g) for i, t, g in rels) + "</Relationships>")


def write_pptx(path, slides, width=9144000, height=5143500):
    """slides: list of (colour, hidden, advance_ms, transition_xml)."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", _PPTX_TYPES.format(slides="".join(
            '<Override PartName="/ppt/slides/slide%d.xml" ContentType="application/'
            'vnd.openxmlformats-officedocument.presentationml.slide+xml"/>' % (i + 1) for i in range(len(slides)))))
        z.writestr("_rels/.rels", _rels(("rId1", "officeDocument", "ppt/presentation.xml")))
        ids = "".join('<p:sldId id="%d" r:id="rId%d"/>' % (256 + i, i + 10) for i in range(len(slides)))
        z.writestr("ppt/presentation.xml",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:presentation %s>'
                   '<p:sldMasterIdLst><p:sldMasterId id="2147483648" r:id="rId1"/></p:sldMasterIdLst>'
                   '<p:sldIdLst>%s</p:sldIdLst><p:sldSz cx="%d" cy="%d"/><p:notesSz cx="6858000" cy="9144000"/>'
                   '</p:presentation>' % (_NS, ids, width, height))
        z.writestr("ppt/_rels/presentation.xml.rels", _rels(
            ("rId1", "slideMaster", "slideMasters/slideMaster1.xml"), ("rId2", "theme", "theme/theme1.xml"),
            *[("rId%d" % (i + 10), "slide", "slides/slide%d.xml" % (i + 1)) for i in range(len(slides))]))
        z.writestr("ppt/theme/theme1.xml", _THEME)
        z.writestr("ppt/slideMasters/slideMaster1.xml",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:sldMaster %s><p:cSld>%s</p:cSld>'
                   '<p:clrMap bg1="lt1" tx1="dk1" bg2="lt2" tx2="dk2" accent1="accent1" accent2="accent2" '
                   'accent3="accent3" accent4="accent4" accent5="accent5" accent6="accent6" hlink="hlink" '
                   'folHlink="folHlink"/><p:sldLayoutIdLst><p:sldLayoutId id="2147483649" r:id="rId1"/>'
                   '</p:sldLayoutIdLst></p:sldMaster>' % (_NS, _TREE))
        z.writestr("ppt/slideMasters/_rels/slideMaster1.xml.rels", _rels(
            ("rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"), ("rId2", "theme", "../theme/theme1.xml")))
        z.writestr("ppt/slideLayouts/slideLayout1.xml",
                   '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:sldLayout %s><p:cSld>%s</p:cSld>'
                   '</p:sldLayout>' % (_NS, _TREE))
        z.writestr("ppt/slideLayouts/_rels/slideLayout1.xml.rels", _rels(
            ("rId1", "slideMaster", "../slideMasters/slideMaster1.xml")))
        for i, (colour, hidden, advance, transition) in enumerate(slides):
            timing = ""
            if advance is not None or transition:
                timing = '<p:transition%s>%s</p:transition>' % (
                    ' advTm="%d"' % advance if advance is not None else "", transition or "")
            z.writestr("ppt/slides/slide%d.xml" % (i + 1),
                       '<?xml version="1.0" encoding="UTF-8" standalone="yes"?><p:sld %s%s><p:cSld><p:bg><p:bgPr>'
                       '<a:solidFill><a:srgbClr val="%s"/></a:solidFill><a:effectLst/></p:bgPr></p:bg>%s</p:cSld>'
                       '<p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr>%s</p:sld>'
                       % (_NS, ' show="0"' if hidden else "", colour, _TREE, timing))
            z.writestr("ppt/slides/_rels/slide%d.xml.rels" % (i + 1), _rels(
                ("rId1", "slideLayout", "../slideLayouts/slideLayout1.xml")))


_ODP_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
           'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
           'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
           'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
           'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
           'xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" '
           'xmlns:smil="urn:oasis:names:tc:opendocument:xmlns:smil-compatible:1.0" '
           'xmlns:anim="urn:oasis:names:tc:opendocument:xmlns:animation:1.0" office:version="1.2"')


def write_odp(path, slides, encrypted=False):
    """slides: list of (colour, hidden, duration text or None, dict of transition attributes). With
    `encrypted` the manifest says content.xml is encrypted, as a password makes it (its content is not)."""
    styles = []
    pages = []
    for i, (colour, hidden, duration, transition) in enumerate(slides):
        attributes = 'draw:fill="solid" draw:fill-color="#%s" presentation:background-visible="true"' % colour
        if hidden:
            attributes += ' presentation:visibility="hidden"'
        if duration is not None:
            attributes += ' presentation:transition-type="automatic" presentation:duration="%s"' % duration
        for key, value in (transition or {}).items():
            attributes += ' %s="%s"' % (key, value)
        styles.append('<style:style style:name="dp%d" style:family="drawing-page">'
                      '<style:drawing-page-properties %s/></style:style>' % (i + 1, attributes))
        pages.append('<draw:page draw:name="page%d" draw:style-name="dp%d" draw:master-page-name="M"/>'
                     % (i + 1, i + 1))
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content %s><office:automatic-styles>%s'
               '</office:automatic-styles><office:body><office:presentation>%s</office:presentation></office:body>'
               '</office:document-content>' % (_ODP_NS, "".join(styles), "".join(pages)))
    master_styles = ('<?xml version="1.0" encoding="UTF-8"?><office:document-styles %s><office:automatic-styles>'
                     '<style:page-layout style:name="PM"><style:page-layout-properties fo:page-width="28cm" '
                     'fo:page-height="15.75cm" fo:margin-top="0cm" fo:margin-bottom="0cm" fo:margin-left="0cm" '
                     'fo:margin-right="0cm"/></style:page-layout></office:automatic-styles><office:master-styles>'
                     '<style:master-page style:name="M" style:page-layout-name="PM"/></office:master-styles>'
                     '</office:document-styles>' % _ODP_NS)
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type='
                '"application/vnd.oasis.opendocument.presentation"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml">%s'
                '</manifest:file-entry>'
                '<manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>') % (
                    '<manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum="x"/>'
                    if encrypted else "")
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("mimetype", "application/vnd.oasis.opendocument.presentation", zipfile.ZIP_STORED)
        z.writestr("META-INF/manifest.xml", manifest, zipfile.ZIP_DEFLATED)
        z.writestr("content.xml", content, zipfile.ZIP_DEFLATED)
        z.writestr("styles.xml", master_styles, zipfile.ZIP_DEFLATED)


def write_pdf(path, colours, width=960, height=540):
    """A PDF with one page a colour ("RRGGBB"), each filled whole."""
    objects = []
    kids = []
    for i, colour in enumerate(colours):
        r, g, b = (int(colour[k:k + 2], 16) / 255 for k in (0, 2, 4))
        stream = "%.3f %.3f %.3f rg 0 0 %d %d re f" % (r, g, b, width, height)
        page_number = 3 + 2 * i
        kids.append("%d 0 R" % page_number)
        objects.append((page_number, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents %d 0 R >>"
                        % (width, height, page_number + 1)))
        objects.append((page_number + 1, "<< /Length %d >>\nstream\n%s\nendstream" % (len(stream), stream)))
    objects.insert(0, (2, "<< /Type /Pages /Kids [%s] /Count %d >>" % (" ".join(kids), len(colours))))
    objects.insert(0, (1, "<< /Type /Catalog /Pages 2 0 R >>"))
    out = b"%PDF-1.4\n"
    offsets = {}
    for number, body in objects:
        offsets[number] = len(out)
        out += b"%d 0 obj\n%s\nendobj\n" % (number, body.encode())
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for number in range(1, len(objects) + 1):
        out += b"%010d 00000 n \n" % offsets[number]
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as f:
        f.write(out)
