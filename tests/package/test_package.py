"""The Debian package: built from the install rules, checked, unpacked and started."""

import glob
import gzip
import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui"))
from harness import ENGINE_URL, UiTestCase, has_request, wait_for  # noqa: E402

BUILD = os.environ["VORL_BUILD_DIR"]
VERSION = os.environ["VORL_VERSION"]
package = None
root = None


def setUpModule():
    global package, root
    for old in glob.glob(os.path.join(BUILD, "vorl-vorudi_*.deb")):
        os.remove(old)
    subprocess.run(["cpack", "-G", "DEB"], cwd=BUILD, check=True, stdout=subprocess.DEVNULL)
    package = os.path.join(BUILD, "vorl-vorudi_%s_amd64.deb" % VERSION)
    root = tempfile.mkdtemp(prefix="vorl-pakke-")
    subprocess.run(["dpkg", "-x", package, root], check=True)


def field(name):
    return subprocess.run(["dpkg-deb", "-f", package, name], capture_output=True, text=True,
                          check=True).stdout.strip()


class Package(unittest.TestCase):
    def test_control_names_the_package_its_version_and_what_it_links(self):
        self.assertEqual(field("Package"), "vorl-vorudi")
        self.assertEqual(field("Version"), VERSION)
        self.assertEqual(field("Architecture"), "amd64")
        depends = [entry.split()[0] for entry in field("Depends").split(", ")]
        for library in ("libgtk-4-1", "libwebkitgtk-6.0-4", "libsoup-3.0-0", "libgstreamer1.0-0",
                        "libgstreamer-plugins-base1.0-0"):
            self.assertIn(library, depends)
        for plugins in ("gstreamer1.0-plugins-base", "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad",
                        "gstreamer1.0-libav", "gstreamer1.0-pulseaudio"):
            self.assertIn(plugins, depends, "an install without recommends decodes every format")
        self.assertEqual(field("Recommends"), "pipewire-pulse | pulseaudio")

    def test_lintian_finds_no_error_or_warning(self):
        # --allow-root: CI runs as root, and lintian would say so on every run.
        result = subprocess.run(["lintian", "--allow-root", "--fail-on", "error,warning", package],
                                capture_output=True, text=True)
        print(result.stdout, end="")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_the_changelog_and_manual_page_carry_the_version(self):
        with gzip.open(os.path.join(root, "usr/share/doc/vorl-vorudi/changelog.gz"), "rt", encoding="utf-8") as text:
            self.assertTrue(text.readline().startswith("vorl-vorudi (%s) " % VERSION))
        with gzip.open(os.path.join(root, "usr/share/man/man1/vorl-vorudi.1.gz"), "rt", encoding="utf-8") as text:
            title = next(line for line in text if line.startswith(".TH "))
        self.assertIn("vorl\\-vorudi %s" % VERSION, title)

    def test_the_copyright_licence_is_the_one_the_metainfo_names(self):
        metainfo = ElementTree.parse(os.path.join(root, "usr/share/metainfo/no.vorl.Vorudi.metainfo.xml"))
        with open(os.path.join(root, "usr/share/doc/vorl-vorudi/copyright"), encoding="utf-8") as text:
            paragraphs = [dict(line.split(": ", 1) for line in paragraph.splitlines() if not line.startswith(" "))
                          for paragraph in text.read().split("\n\n")]
        everything = next(paragraph for paragraph in paragraphs if paragraph.get("Files") == "*")
        self.assertEqual(everything["License"], metainfo.findtext("project_license"))
        # A licence named by a Files paragraph without its text needs a paragraph of its own.
        texts = {paragraph["License"] for paragraph in paragraphs
                 if "License" in paragraph and "Files" not in paragraph}
        self.assertIn(everything["License"], texts)

    def test_it_holds_the_program_its_entry_icons_metainfo_and_documents(self):
        listing = subprocess.run(["dpkg-deb", "-c", package], capture_output=True, text=True, check=True).stdout
        files = {line.split()[-1].lstrip(".") for line in listing.splitlines() if line.startswith("-")}
        self.assertEqual(files, {
            "/usr/bin/vorl-vorudi",
            "/usr/lib/vorl-vorudi/web-extensions/vorl-web-translations.so",
            "/usr/lib/vorl-vorudi/web-extensions/locale/no/LC_MESSAGES/WebKitGTK-6.0.mo",
            "/usr/lib/vorl-vorudi/gstreamer-1.0/libgstvorlpcm.so",
            "/usr/libexec/vorl-vorudi/vorl-motorvakt",
            "/usr/share/vorl-vorudi/toolkit-defaults/gtk-4.0/settings.ini",
            "/usr/share/applications/no.vorl.Vorudi.desktop",
            "/usr/share/icons/hicolor/scalable/apps/no.vorl.Vorudi.svg",
            "/usr/share/icons/hicolor/256x256/apps/no.vorl.Vorudi.png",
            "/usr/share/metainfo/no.vorl.Vorudi.metainfo.xml",
            "/usr/share/man/man1/vorl-vorudi.1.gz",
            "/usr/share/doc/vorl-vorudi/copyright",
            "/usr/share/doc/vorl-vorudi/changelog.gz",
        })
        # WebKit's own bokmål catalog, by reference, so that the system's updates of it show.
        links = {line.split()[-3].lstrip("."): line.split()[-1] for line in listing.splitlines()
                 if line.startswith("l")}
        link = "/usr/lib/vorl-vorudi/web-extensions/locale/nb/LC_MESSAGES/WebKitGTK-6.0.mo"
        self.assertEqual(list(links), [link])
        self.assertFalse(os.path.isabs(links[link]))
        self.assertEqual(os.path.normpath(os.path.join(os.path.dirname(link), links[link])),
                         "/usr/share/locale/nb/LC_MESSAGES/WebKitGTK-6.0.mo")
        with open(os.path.join(root, "usr/share/icons/hicolor/256x256/apps/no.vorl.Vorudi.png"), "rb") as icon:
            header = icon.read(24)
        self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual((int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big")), (256, 256))

    def test_the_desktop_entry_and_metainfo_validate(self):
        entry = os.path.join(root, "usr/share/applications/no.vorl.Vorudi.desktop")
        subprocess.run(["desktop-file-validate", entry], check=True)
        subprocess.run(["appstreamcli", "validate", "--no-net",
                        os.path.join(root, "usr/share/metainfo/no.vorl.Vorudi.metainfo.xml")], check=True,
                       stdout=subprocess.DEVNULL)
        with open(entry, encoding="utf-8") as text:
            lines = dict(line.strip().split("=", 1) for line in text if "=" in line)
        self.assertEqual(lines["Exec"], "vorl-vorudi")
        self.assertEqual(lines["Icon"], "no.vorl.Vorudi")
        self.assertEqual(lines["Name"], "VORL Vorudi")


    def test_the_packaged_element_reads_aiff_and_caf_above_gstreamers_own(self):
        plugins = os.path.join(root, "usr/lib/vorl-vorudi/gstreamer-1.0")
        with tempfile.TemporaryDirectory() as cache:
            inspected = subprocess.run(["gst-inspect-1.0", "vorlpcmparse"], capture_output=True, text=True,
                                       env=dict(os.environ, GST_PLUGIN_PATH=plugins,
                                                GST_REGISTRY=os.path.join(cache, "registry.bin")))
        self.assertEqual(inspected.returncode, 0, inspected.stderr)
        self.assertIn("audio/x-caf", inspected.stdout)
        self.assertIn("primary + 1", inspected.stdout)


class InstalledProgram(UiTestCase):
    def test_the_unpacked_program_shows_the_running_engines_page(self):
        engine = self.start_engine()
        app = self.start_app({"XDG_DATA_DIRS": os.path.join(root, "usr/share") + ":/usr/share"},
                             binary=os.path.join(root, "usr/bin/vorl-vorudi"))
        app.wait_for_uri(lambda uri: uri == ENGINE_URL, description="the engine's page")
        wait_for(lambda: has_request(engine.output(), "/api/hello"), 20, "the page's script to run")
        app.screenshot("installed-package.png")


if __name__ == "__main__":
    unittest.main()
