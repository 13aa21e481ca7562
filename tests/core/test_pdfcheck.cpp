// SPDX-License-Identifier: GPL-3.0-or-later
// A printout is replaced only when the PDF reached the disk whole: a file cut short or
// missing a stretch in the middle must be refused.
#include <gtest/gtest.h>

#include "print/pdfcheck.h"

using namespace kelvor;

namespace {

// A small PDF laid out as a writer finishes one, its "startxref" pointing at "xref".
QByteArray wholePdf()
{
    QByteArray pdf = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 2\n0000000000 65535 f \n0000000009 00000 n \ntrailer\n<< /Size 2 /Root 1 0 R >>\n";
    pdf += "startxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

}  // namespace

TEST(PdfCheck, AcceptsOnlyAWholeFile)
{
    const QByteArray whole = wholePdf();
    const qsizetype xref = whole.indexOf("xref\n0");
    QByteArray shifted = whole;
    shifted.remove(20, 3);  // a stretch lost before the table: the offset misses it
    QByteArray farOffset = whole;
    farOffset.replace("startxref\n" + QByteArray::number(xref), "startxref\n99999999999");

    const struct {
        const char* name;
        QByteArray bytes;
        bool complete;
    } cases[] = {
        {"whole", whole, true},
        {"without the last newline", whole.chopped(1), true},
        {"cut in the trailer", whole.chopped(8), false},
        {"cut in the middle", whole.left(whole.size() / 2), false},
        {"a stretch missing", shifted, false},
        {"offset past the end", farOffset, false},
        {"no header", whole.mid(1), false},
        {"empty", QByteArray(), false},
        {"only the end", "%PDF-startxref\n0\n%%EOF", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsCompletePdf(c.bytes), c.complete) << c.name;
}
