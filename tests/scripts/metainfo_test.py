#!/usr/bin/env python3
"""The AppStream metadata of data/: valid for appstreamcli without the network, and every screenshot
it names one of the README's pictures in docs/screenshots/."""

import glob
import os
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree

APPSTREAMCLI, SOURCE = sys.argv[1], sys.argv[2]


class MetainfoTest(unittest.TestCase):
    def setUp(self):
        files = glob.glob(os.path.join(SOURCE, "data", "*.metainfo.xml"))
        self.assertEqual(len(files), 1, files)
        self.path = files[0]

    def test_validates(self):
        result = subprocess.run([APPSTREAMCLI, "validate", "--no-net", self.path], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_names_its_component_the_desktop_entry_and_the_readmes_screenshots(self):
        root = ElementTree.parse(self.path).getroot()
        self.assertEqual(os.path.basename(self.path), root.findtext("id") + ".metainfo.xml")
        self.assertEqual(root.findtext("launchable"), "quarrow.desktop")
        self.assertTrue(os.path.exists(os.path.join(SOURCE, "data", "quarrow.desktop")))
        images = [image.text.rsplit("/", 1)[1] for image in root.iter("image")]
        self.assertIn("tld-filtered.png", images)
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as handle:
            readme = handle.read()
        for image in images:
            self.assertTrue(os.path.exists(os.path.join(SOURCE, "docs", "screenshots", image)), image)
            self.assertIn("docs/screenshots/" + image, readme)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
