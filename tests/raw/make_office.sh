#!/bin/sh
# Writes Office Open (DOCX, XLSX, PPTX) and OpenDocument (ODT, ODS, ODP) files with zip,
# and PDF documents rewritten by poppler's pdfunite, into folder $1, with manifest.txt
# listing "name kind extension" per file. Needs zip, python3 and pdfunite.
set -eu
out=$1
mkdir -p "$out"
cd "$out"

# Office Open: [Content_Types].xml, the package relations and the main part's folder.
openxml() { # name folder main-part content-type [title]
    rm -rf part && mkdir -p part/_rels "part/$2" part/docProps
    if [ $# -ge 5 ]; then
        printf '<?xml version="1.0"?><cp:coreProperties xmlns:cp="%s" xmlns:dc="%s"><dc:title>%s</dc:title></cp:coreProperties>' \
            http://schemas.openxmlformats.org/package/2006/metadata/core-properties \
            http://purl.org/dc/elements/1.1/ "$5" > part/docProps/core.xml
    fi
    cat > "part/[Content_Types].xml" <<XML
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Override PartName="/$2/$3" ContentType="$4"/></Types>
XML
    cat > part/_rels/.rels <<XML
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="$2/$3"/></Relationships>
XML
    python3 -c "import sys; print('<?xml version=\"1.0\"?><root>' + 'text of the part ' * 400 + '</root>')" > "part/$2/$3"
    (cd part && zip -q -X -r "../$1" "[Content_Types].xml" _rels "$2" docProps)
}
openxml letter.docx word document.xml application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml
openxml sums.xlsx xl workbook.xml application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml
openxml titled.docx word document.xml application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml \
    'Quarterly &amp; Annual'
openxml talk.pptx ppt presentation.xml application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml

# OpenDocument: "mimetype" stored first, then the content.
opendocument() { # name kind [title]
    rm -rf part && mkdir -p part/META-INF
    if [ $# -ge 3 ]; then
        printf '<office:document-meta xmlns:dc="http://purl.org/dc/elements/1.1/"><office:meta><dc:title xml:lang="en">%s</dc:title></office:meta></office:document-meta>' \
            "$3" > part/meta.xml
    fi
    printf 'application/vnd.oasis.opendocument.%s' "$2" > part/mimetype
    python3 -c "print('<office:document-content>' + 'odf text ' * 500 + '</office:document-content>')" > part/content.xml
    echo '<manifest:manifest/>' > part/META-INF/manifest.xml
    (cd part && zip -q -X -0 "../$1" mimetype && zip -q -X -r "../$1" content.xml META-INF \
        $( [ -f meta.xml ] && echo meta.xml ))
}
opendocument letter.odt text
opendocument titled.odt text 'Field Notes'
opendocument sums.ods spreadsheet
opendocument talk.odp presentation
rm -rf part

# A PDF written by hand, then rewritten by poppler (its own objects, table and trailer),
# and the same with an incremental update appended.
python3 - <<'PY'
objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
           b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>"]
text = b"BT /F1 12 Tf 20 100 Td (Recovered) Tj ET " * 40
objects.append(b"<< /Length %d >>\nstream\n" % len(text) + text + b"\nendstream")
out = bytearray(b"%PDF-1.4\n")
offsets = []
for i, body in enumerate(objects, 1):
    offsets.append(len(out))
    out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
for o in offsets:
    out += b"%010d 00000 n \n" % o
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open("hand.pdf", "wb").write(out)
PY
pdfunite hand.pdf hand.pdf report.pdf
python3 - <<'PY'
import re
data = open("report.pdf", "rb").read()
prev = int(re.findall(rb"startxref\s+(\d+)", data)[-1])
size = int(re.findall(rb"/Size (\d+)", data)[-1])
update = bytearray(b"%d 0 obj\n<< /Title (Updated) >>\nendobj\n" % size)
at = len(data)
xref = at + len(update)
update += b"xref\n0 1\n0000000000 65535 f \n%d 1\n%010d 00000 n \n" % (size, at)
update += b"trailer\n<< /Size %d /Prev %d /Root 1 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
    size + 1, prev, size, xref)
open("updated.pdf", "wb").write(data + update)
PY
rm -f hand.pdf

cat > manifest.txt <<LIST
letter.docx docx .DOCX
titled.docx docx .DOCX
sums.xlsx xlsx .XLSX
talk.pptx pptx .PPTX
letter.odt odt .ODT
titled.odt odt .ODT
sums.ods ods .ODS
talk.odp odp .ODP
report.pdf pdf .PDF
updated.pdf pdf .PDF
LIST
