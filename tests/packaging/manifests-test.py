#!/usr/bin/env python3
"""manifests-test.py CMAKE SOURCE VERSION: the winget and scoop manifests of a release, made from
stand-ins for the zip and the installer, as a reviewer reads them: every field filled, the addresses
under the release address, the files' hashes, the types and the in-use exit code as the installer script
has them; made without an address, each says it is not for publishing."""
import hashlib, json, os, re, subprocess, sys, tempfile, time

cmake, source, version = sys.argv[1:4]
failures = []


def make(folder, homepage):
    for name in ("zip", "exe"):
        with open(os.path.join(folder, "q." + name), "w") as out:
            out.write(name)
    subprocess.run([cmake, "-DVERSION=" + version, "-DHOMEPAGE=" + homepage, "-DZIP=" + folder + "/q.zip",
                    "-DINSTALLER=" + folder + "/q.exe", "-DSOURCE=" + source, "-DGIT=git", "-DOUTPUT=" + folder,
                    "-P", source + "/packaging/manifests.cmake"], check=True, capture_output=True)
    return {name: open(os.path.join(folder, name), encoding="utf-8").read() for name in (
        "winget/Quorvel.Quorvel.yaml", "winget/Quorvel.Quorvel.installer.yaml",
        "winget/Quorvel.Quorvel.locale.en-US.yaml", "scoop/quorvel.json")}


def expect(text, pattern, what):
    if not re.search(pattern, text, re.M):
        failures.append("%s: no %s" % (what, pattern))


nsi = open(source + "/packaging/Quorvel.nsi", encoding="utf-8").read()
types = re.findall(r'\{ACTION\} "\.(\w+)"', nsi.split("!macro ForEachProjectType")[1].split("!macroend")[0])
in_use = re.search(r"!define RUNNING_EXIT (\d+)", nsi).group(1)
epoch = os.environ.get("SOURCE_DATE_EPOCH") or subprocess.run(
    ["git", "-C", source, "log", "-1", "--format=%ct"], capture_output=True, text=True).stdout
day = time.strftime("%Y-%m-%d", time.gmtime(int(epoch)))
home = "https://example.net/quorvel"
releases = re.escape("%s/releases/%s/" % (home, version))

with tempfile.TemporaryDirectory() as folder:
    texts = make(folder, home + "/")
    for name, kind in zip(texts, ("version", "installer", "defaultLocale")):
        expect(texts[name], r"\A# yaml-language-server: \$schema=https://aka\.ms/winget-manifest\.%s\.1\.6\.0"
               r"\.schema\.json\n(.*\n)*ManifestType: %s\nManifestVersion: 1\.6\.0\n\Z" % (kind, kind), name)
        expect(texts[name], r"^PackageVersion: %s$" % re.escape(version), name)
    installer, locale, scoop_text = (texts[name] for name in list(texts)[1:])
    expect(installer, r"^FileExtensions:\n%s(?!  - )" % "".join("  - %s\n" % t for t in types), "installer")
    expect(installer, r"^ReleaseDate: %s$" % day, "installer")
    expect(installer, r"^    InstallerUrl: %squorvel-%s-setup\.exe$" % (releases, version), "installer")
    expect(installer, r"^    InstallerSha256: %s$" % hashlib.sha256(b"exe").hexdigest().upper(), "installer")
    expect(installer, r"- InstallerReturnCode: %s\n +ReturnResponse: packageInUse" % in_use, "installer")
    for field, value in (("PackageUrl", re.escape(home)), ("PublisherUrl", re.escape(home)),
                         ("LicenseUrl", releases + "LICENSE.txt")):
        expect(locale, r"^%s: %s$" % (field, value), "locale")
    scoop = json.loads(scoop_text)
    url = scoop["architecture"]["64bit"]["url"]
    expect(url, r"\A%squorvel-%s-win64\.zip\Z" % (releases, version), "scoop url")
    expect(scoop["architecture"]["64bit"]["hash"], hashlib.sha256(b"zip").hexdigest(), "scoop hash")
    expect(scoop["checkver"]["url"], r"\A%s/releases/\Z" % re.escape(home), "checkver")
    found = re.search(scoop["checkver"]["regex"], os.path.basename(url))
    if not found or found.group(1) != version:
        failures.append("checkver: the regex takes no version from " + url)
    expect(scoop["autoupdate"]["architecture"]["64bit"]["url"].replace("$version", version),
           r"\A%s\Z" % re.escape(url), "autoupdate")
    expect(scoop["autoupdate"]["hash"]["url"], r"\A\$baseurl/SHA256SUMS\Z", "autoupdate")
    expect("\n".join(texts.values()), r"\A(?!(.|\n)*(@|Not for publishing))", "every manifest")

with tempfile.TemporaryDirectory() as folder:
    for name, text in make(folder, "").items():
        expect(text, "Not for publishing: made without a release address", name)

if failures:
    sys.exit("FAIL: " + "; ".join(failures))
print("PackageManifests: passed")
