#!/usr/bin/env bash
# The winget manifest set the build writes beside the installer: each file keeps to the
# 1.10.0 manifest format (written down below, checked offline), passes what a public
# repository's review asks, and what it promises is what the installer does: its switches
# install, and the uninstall entry it names holds its values. The release tool warns about,
# and notes in the manifest, a placeholder download address, and refuses anything but https.
. "$(dirname "$0")/lib.sh" "$@"
MANIFESTS=$(dirname "$INSTALLER")/winget
QSRELEASE=$(dirname "$INSTALLER")/host-tools/tools/qsrelease

# Parses and checks the three files of a folder; prints the values to compare as NAME=VALUE
# lines, and each fault as a PROBLEM= line.
read_manifests() {  # folder
  # The code's exit codes and winget's kind of each (setup/exit_codes.h), as "code kind"
  # lines; 0 takes none.
  EXPECTED_RESPONSES=$("$QSRELEASE" fact exit-codes | awk -F'\t' '$2 != "-" { print $1 " " $2 }') \
    python3 - "$1" <<'EOF'
import glob, os, re, sys, yaml

# The 1.10.0 format: for each manifest type its keys (no others), each with a rule: its
# type, and any of enum, pattern, length (min, max), items (the rule of each element of a
# list) with at most `most` of them, keys and required (of an object). ANY: a key the
# format knows that these manifests do not use.
ANY = {}
def S(lo=0, hi=None, pattern=None, enum=None):
    return dict(type=str, length=(lo, hi), pattern=pattern, enum=enum)
def L(items, most):
    return dict(type=list, items=items, most=most)
def O(keys, required=()):
    return dict(type=dict, keys=keys, required=required)
def unused(names):
    return dict.fromkeys(names.split(), ANY)

NAME_CHARS = r'[^.\s\\/:*?"<>|\x01-\x1f]{1,32}'
ID = S(hi=128, pattern=r'%s(\.%s){1,7}' % (NAME_CHARS, NAME_CHARS))
VERSION = S(hi=128, pattern=r'[^\\/:*?"<>|\x01-\x1f]+')
LOCALE = S(hi=20, pattern=r'([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*')
URL = S(hi=2048, pattern=r'([Hh][Tt][Tt][Pp][Ss]?)://.+')
TAG = S(1, 40, pattern=r'\S+')  # no whitespace in a tag or moniker
CODE = dict(type=int, nonzero=True)
PRODUCT_CODE = S(1, 255)
INSTALLER_TYPE = S(enum="msix msi appx exe zip inno nullsoft wix burn pwa portable".split())
SWITCH = S(1, 512)
RESPONSES = ("packageInUse packageInUseByApplication installInProgress fileInUse missingDependency diskFull "
             "insufficientMemory invalidParameter noNetwork contactSupport rebootRequiredToFinish "
             "rebootRequiredForInstall rebootInitiated cancelledByUser alreadyInstalled downgrade blockedByPolicy "
             "systemNotSupported custom").split()
def common(kind):
    return dict(PackageIdentifier=ID, PackageVersion=VERSION, ManifestType=S(enum=[kind]),
                ManifestVersion=S(enum=["1.10.0"]))
# What an installer may say at the root and in each of its Installers.
INSTALLER_KEYS = dict(
    InstallerType=INSTALLER_TYPE, Scope=S(enum=["user", "machine"]),
    InstallModes=L(S(enum=["interactive", "silent", "silentWithProgress"]), 3),
    InstallerSwitches=O(dict(unused("InstallLocation Log Upgrade Repair"), Silent=SWITCH,
                             SilentWithProgress=SWITCH, Interactive=SWITCH, Custom=S(1, 2048))),
    ExpectedReturnCodes=L(O(dict(InstallerReturnCode=CODE, ReturnResponse=S(enum=RESPONSES), ReturnResponseUrl=URL),
                            ["InstallerReturnCode", "ReturnResponse"]), 128),
    UpgradeBehavior=S(enum=["install", "uninstallPrevious", "deny"]),
    ElevationRequirement=S(enum=["elevationRequired", "elevationProhibited", "elevatesSelf"]),
    ProductCode=PRODUCT_CODE,
    AppsAndFeaturesEntries=L(O(dict(DisplayName=S(1, 256), Publisher=S(1, 256), DisplayVersion=S(1, 128),
                                    ProductCode=PRODUCT_CODE, UpgradeCode=PRODUCT_CODE,
                                    InstallerType=INSTALLER_TYPE)), 128),
    **unused("InstallerLocale Platform MinimumOSVersion NestedInstallerType NestedInstallerFiles "
             "InstallerSuccessCodes Commands Protocols FileExtensions Dependencies PackageFamilyName Capabilities "
             "RestrictedCapabilities Markets InstallerAbortsTerminal ReleaseDate InstallLocationRequired "
             "RequireExplicitUpgrade DisplayInstallWarnings UnsupportedOSArchitectures UnsupportedArguments "
             "InstallationMetadata DownloadCommandProhibited RepairBehavior ArchiveBinariesDependOnPath "
             "Authentication"))
ONE_INSTALLER = O(dict(INSTALLER_KEYS, Architecture=S(enum="x86 x64 arm arm64 neutral".split()), InstallerUrl=URL,
                       InstallerSha256=S(pattern=r'[A-Fa-f0-9]{64}'), SignatureSha256=ANY),
                  ["Architecture", "InstallerUrl", "InstallerSha256"])
SCHEMA = {
    "version": O(dict(common("version"), DefaultLocale=LOCALE),
                 "PackageIdentifier PackageVersion DefaultLocale ManifestType ManifestVersion".split()),
    "installer": O(dict(common("installer"), **INSTALLER_KEYS, Channel=ANY, Installers=L(ONE_INSTALLER, 1024)),
                   "PackageIdentifier PackageVersion Installers ManifestType ManifestVersion".split()),
    "defaultLocale": O(dict(common("defaultLocale"), PackageLocale=LOCALE, Publisher=S(2, 256), PublisherUrl=URL,
                            PublisherSupportUrl=URL, PrivacyUrl=URL, Author=S(2, 256), PackageName=S(2, 256),
                            PackageUrl=URL, License=S(3, 512), LicenseUrl=URL, Copyright=S(3, 512),
                            CopyrightUrl=URL, ShortDescription=S(3, 256), Description=S(3, 10000), Moniker=TAG,
                            Tags=L(TAG, 16), ReleaseNotes=S(1, 10000), ReleaseNotesUrl=URL, PurchaseUrl=URL,
                            InstallationNotes=S(1, 10000), **unused("Agreements Documentations Icons")),
                       ("PackageIdentifier PackageVersion PackageLocale Publisher PackageName License "
                        "ShortDescription ManifestType ManifestVersion").split()),
}

problems = []
def need(cond, what):
    if not cond:
        problems.append(what)

def conform(value, rule, where):
    kind = rule.get("type")
    if kind is None:
        return
    if not isinstance(value, kind) or isinstance(value, bool):
        return need(False, "%s: a %s, not %r" % (where, kind.__name__, value))
    need(rule.get("enum") is None or value in rule["enum"], "%s: %r is not one of its values" % (where, value))
    need(rule.get("pattern") is None or re.fullmatch(rule["pattern"], value), "%s: %r is malformed" % (where, value))
    if "length" in rule:
        lo, hi = rule["length"]
        need(lo <= len(value) and (hi is None or len(value) <= hi), "%s: %d characters" % (where, len(value)))
    need(not rule.get("nonzero") or value != 0, "%s: 0" % where)
    if kind is list:
        need(len(value) <= rule["most"] and len(set(map(repr, value))) == len(value), "%s: too many or twice" % where)
        for i, item in enumerate(value):
            conform(item, rule["items"], "%s[%d]" % (where, i))
    if kind is dict:
        for key, item in value.items():
            need(key in rule["keys"], "%s: no such key %s" % (where, key))
            conform(item, rule["keys"].get(key, ANY), "%s.%s" % (where, key))
        for key in rule["required"]:
            need(value.get(key) not in (None, ""), "%s: has %s" % (where, key))

folder = sys.argv[1]
docs, firsts, text = {}, {}, {}
for path in sorted(glob.glob(os.path.join(folder, "*.yaml"))):
    with open(path, encoding="utf-8") as f:
        text_of_file = f.read()
    doc = yaml.safe_load(text_of_file)
    docs[doc["ManifestType"]] = doc
    firsts[doc["ManifestType"]] = text_of_file.split("\n", 1)[0]
    text[doc["ManifestType"]] = text_of_file
need(sorted(docs) == ["defaultLocale", "installer", "version"], "the three files: %s" % sorted(docs))
for kind, doc in docs.items():
    conform(doc, SCHEMA[kind], kind)
    need(firsts[kind] == "# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json"
         % (kind, doc["ManifestVersion"]), "%s: the schema line first" % kind)
    for key in ("PackageIdentifier", "PackageVersion", "ManifestVersion"):
        need(doc[key] == docs["version"][key], "%s: the same %s" % (kind, key))
locale, inst = docs["defaultLocale"], docs["installer"]
need(docs["version"]["DefaultLocale"] == locale["PackageLocale"], "default locale")

# What a reviewer asks beyond the format: the publisher's own site, a description that
# says more than the name, an uninstall entry that holds only what differs from the
# package's own fields (what it leaves out, winget takes from them).
[entry] = inst["AppsAndFeaturesEntries"]
[one] = inst["Installers"]
package_fields = dict(DisplayName=locale["PackageName"], Publisher=locale["Publisher"],
                      DisplayVersion=inst["PackageVersion"], ProductCode=inst.get("ProductCode"))
for key, value in package_fields.items():
    need(entry.get(key) != value, "the entry repeats the package's %s" % key)
need(locale.get("PublisherUrl") != locale.get("PackageUrl"), "the publisher's site is not the package page")
need(locale["ShortDescription"] not in (locale["PackageName"], entry.get("DisplayName")), "a short description")

codes = {c["InstallerReturnCode"]: c["ReturnResponse"] for c in inst["ExpectedReturnCodes"]}
expected = {int(code): kind for code, kind in (line.split() for line in os.environ["EXPECTED_RESPONSES"].splitlines())}
need(codes == expected, "the responses of the code's exit codes %s: %s" % (expected, codes))

for p in problems:
    print("PROBLEM=" + p)
print("SWITCHES=" + inst["InstallerSwitches"]["Silent"])
print("SHA256=" + one["InstallerSha256"])
print("ARCHITECTURE=" + one["Architecture"])
print("URL=" + one["InstallerUrl"])
print("NOTED=%s" % ("yes" if re.search(r"^# WARNING: .*placeholder", text["installer"], re.M) else "no"))
for key, value in package_fields.items():
    print("%s=%s" % (key, entry.get(key, value)))
EOF
}
fact_in() { sed -n "s/^$2=//p" <<< "$1"; }  # facts, name

facts=$(read_manifests "$MANIFESTS")
check_eq "the manifests parse" 0 $?
check_eq "they keep to the 1.10.0 format and pass review" "" "$(grep '^PROBLEM=' <<< "$facts")"
fact() { fact_in "$facts" "$1"; }
check_eq "InstallerSha256 is the installer's" "$(sha256sum "$INSTALLER" | cut -c1-64 | tr a-f A-F)" "$(fact SHA256)"
check_eq "the architecture is the $INSTALLER_BITS-bit installer's" "$([ "$INSTALLER_BITS" = 64 ] && echo x64 || echo x86)" \
  "$(fact ARCHITECTURE)"

# The release tool by hand. what | --url | exit code | warns of a placeholder
digest=$(sha256sum "$INSTALLER" | cut -c1-64)
placeholder=""
RELEASES=(
  "no address||0|yes"
  "an https address|https://downloads.velto.example/quillstation/1.0.7.6/QuillstationSetup.exe|0|no"
  "an http address|http://downloads.velto.example/quillstation/1.0.7.6/QuillstationSetup.exe|1|"
)
for row in "${RELEASES[@]}"; do
  IFS='|' read -r what url code warns <<< "$row"
  out=$SCRATCH/release-${url%%:*}
  "$QSRELEASE" winget --sha256 "$digest" ${url:+--url "$url"} --out "$out" 2>"$SCRATCH/release.err"
  check_eq "qsrelease with $what ends with $code" "$code" $?
  if [ "$code" != 0 ]; then
    check "$what: it says why and writes nothing" bash -c "grep -q https:// '$SCRATCH/release.err' && test ! -e '$out'"
    continue
  fi
  release=$(read_manifests "$out")
  check_eq "$what: the set keeps to the format" "" "$(grep '^PROBLEM=' <<< "$release")"
  check_eq "$what: a warning on stderr: $warns" "$warns" \
    "$(grep -q '^qsrelease: WARNING: .*placeholder' "$SCRATCH/release.err" && echo yes || echo no)"
  check_eq "$what: a warning in the installer manifest: $warns" "$warns" "$(fact_in "$release" NOTED)"
  [ -z "$url" ] && placeholder=$(fact_in "$release" URL)
  [ -z "$url" ] || check_eq "$what: InstallerUrl is the address given" "$url" "$(fact_in "$release" URL)"
done
check_eq "the build's manifest warns exactly when it names the placeholder" \
  "$([ "$(fact URL)" = "$placeholder" ] && echo yes || echo no)" "$(fact NOTED)"

# What the installer really does with the manifest's switches.
ensure_removed
read -r -a switches <<< "$(fact SWITCHES)"
run_wine "$INSTALLER" "${switches[@]}"
check_eq "the manifest's silent switches install, with 0" 0 $?
for value in DisplayName Publisher DisplayVersion; do
  check_eq "the uninstall entry's $value is the manifest's" "$(fact "$value")" "$(uninstall_entry_value "$value")"
done
check_eq "the ProductCode names the uninstall entry's key" "${UNINSTALL_KEY##*\\}" "$(fact ProductCode)"
check "and that key is in the $INSTALLER_VIEW-bit view" uninstall_entry_in_view "$INSTALLER_VIEW"
ensure_removed
check "and the product is removed again" product_absent

finish
