#!/usr/bin/env python3
"""How well pages in scripts that need shaping and direction can be read back.

One paragraph each in Arabic, Hebrew and Hindi is converted at 640 x 480 with the default settings, and the same
text is drawn by pango-view in the face Leafcast drew it with, at the same pixel size, anti-aliased and in one bit
per pixel. All are read by tesseract (the page scaled 3x, dark text on light) and compared with the text: 1.0 is
every character read back. Extra arguments go to leafcast convert.

    bench/ocr-scripts.py build/leafcast [extra --set arguments ...]

Needs tesseract-ocr with -ara, -heb and -hin, and pango1.0-tools.
"""
import difflib
import os
import re
import subprocess
import sys
import tempfile

PARAGRAPHS = {
    "ara": "يولد جميع الناس أحرارًا متساوين في الكرامة والحقوق. وقد وهبوا عقلاً وضميرًا وعليهم أن يعامل "
           "بعضهم بعضًا بروح الإخاء.",
    "heb": "כל בני האדם נולדו בני חורין ושווים בערכם ובזכויותיהם. כולם חוננו בתבונה ובמצפון, לפיכך חובה עליהם "
           "לנהוג איש ברעהו ברוח של אחוה.",
    "hin": "सभी मनुष्यों को गौरव और अधिकारों के मामले में जन्मजात स्वतन्त्रता और समानता प्राप्त है। उन्हें बुद्धि और "
           "अन्तरात्मा की देन प्राप्त है और परस्पर उन्हें भाईचारे के भाव से बर्ताव करना चाहिए।",
}


def normal(text):
    return re.sub(r"\s+", " ", text).strip()


def read_back(image, language, work):
    """OCR of a page: cropped below its header when it has one, dark on light, scaled 3x."""
    ready = os.path.join(work, "ocr.png")
    mean = float(subprocess.check_output(["convert", image, "-colorspace", "Gray", "-format", "%[fx:mean]", "info:"]))
    subprocess.check_call(["convert", image] + (["-negate"] if mean < 0.5 else []) +
                          ["-scale", "300%", ready])
    return subprocess.check_output(["tesseract", ready, "-", "-l", language, "--psm", "6"],
                                   stderr=subprocess.DEVNULL).decode()


def score(expected, read):
    return difflib.SequenceMatcher(None, normal(expected), normal(read)).ratio()


def main():
    leafcast, extra = sys.argv[1], sys.argv[2:]
    face = None
    with tempfile.TemporaryDirectory() as work:
        print(f"{'script':8} {'leafcast':>9} {'pango-view':>11} {'one-bit':>8}")
        for language, text in PARAGRAPHS.items():
            book = os.path.join(work, language + ".txt")
            with open(book, "w", encoding="utf-8-sig") as f:
                f.write(text + "\n")
            out = os.path.join(work, "out")
            subprocess.check_call([leafcast, "convert", book, "--set", "optScrRes=1", "--set",
                                   "txtOutFileName=" + language, "--out", out] + extra, stdout=subprocess.DEVNULL)
            page = os.path.join(out, language + "_00001 ().jpg")
            # The text rows only: the header row and the rule under it are cut away.
            body = os.path.join(work, language + "-body.png")
            rows = subprocess.check_output(["convert", page, "-colorspace", "Gray", "-scale", "1x480!", "-depth", "8",
                                            "gray:-"])
            rule = max(range(40), key=lambda y: abs(rows[y] - rows[479]))
            subprocess.check_call(["convert", page, "-crop", f"640x{479 - rule}+0+{rule + 1}", "+repage", body])
            if face is None:
                listing = subprocess.check_output([leafcast, "fonts"]).decode()
                face = re.search(r"ProggyCleanTT\s+(?:not installed; drawn with )?(.+?)(?: as a stand-in)?\n",
                                 listing).group(1)
            # pango-view anti-aliased, and with every pixel ink or paper as Leafcast's black-and-white pages are.
            scores = [score(text, read_back(body, language, work))]
            for antialias in ("gray", "none"):
                reference = os.path.join(work, language + "-pango.png")
                # At 72 dots per inch a point of the wrapping width is a pixel.
                subprocess.check_call(["pango-view", "-q", "--dpi", "72", "--font", f"{face} 11px", "--width", "636",
                                       "--wrap", "word", "--margin", "2", "--hinting", "full", "--antialias",
                                       antialias, "-o", reference, "--text", text])
                scores.append(score(text, read_back(reference, language, work)))
            print(f"{language:8} {scores[0]:9.2f} {scores[1]:11.2f} {scores[2]:8.2f}")


if __name__ == "__main__":
    main()
