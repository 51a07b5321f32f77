#!/usr/bin/env bash
# The winget manifest set the build writes beside the installer: it parses, each file has
# the fields winget requires, well formed, and what it promises is what the installer
# does: its switches install, and the uninstall entry it names holds its values.
. "$(dirname "$0")/lib.sh" "$@"
MANIFESTS=$(dirname "$INSTALLER")/winget

# Parses and checks the three files; prints the values to compare as NAME=VALUE lines.
read_manifests() {
  python3 - "$MANIFESTS" <<'EOF'
import glob, os, re, sys, yaml

folder = sys.argv[1]
docs = {}
for path in sorted(glob.glob(os.path.join(folder, "*.yaml"))):
    with open(path, encoding="utf-8") as f:
        doc = yaml.safe_load(f)
    docs[doc["ManifestType"]] = doc
problems = []
def need(cond, what):
    if not cond:
        problems.append(what)

need(sorted(docs) == ["defaultLocale", "installer", "version"], "the three files: %s" % sorted(docs))
required = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"],
    "installer": ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName",
                      "License", "ShortDescription", "ManifestType", "ManifestVersion"],
}
for kind, keys in required.items():
    for key in keys:
        need(docs.get(kind, {}).get(key) not in (None, ""), "%s has %s" % (kind, key))
for kind, doc in docs.items():
    need(re.fullmatch(r"[^.\s\\/:*?\"<>|]{1,32}(\.[^.\s\\/:*?\"<>|]{1,32}){1,7}", doc["PackageIdentifier"]),
         "%s: identifier" % kind)
    need(re.fullmatch(r"1\.(9|1[0-9])\.0", doc["ManifestVersion"]), "%s: a current manifest version" % kind)
    for key in ("PackageIdentifier", "PackageVersion", "ManifestVersion"):
        need(doc[key] == docs["version"][key], "%s: the same %s" % (kind, key))
need(docs["version"]["DefaultLocale"] == docs["defaultLocale"]["PackageLocale"], "default locale")

inst = docs["installer"]
[entry] = inst["AppsAndFeaturesEntries"]
[one] = inst["Installers"]
need(inst["InstallerType"] == "exe" and inst["Scope"] == "machine", "exe, machine")
need(inst["ElevationRequirement"] == "elevationRequired", "elevation")
need(inst["UpgradeBehavior"] == "uninstallPrevious", "upgrade removes first")
need(sorted(inst["InstallModes"]) == ["silent", "silentWithProgress"], "install modes")
need(inst["InstallerSwitches"]["Silent"] == inst["InstallerSwitches"]["SilentWithProgress"], "switches")
need(re.fullmatch(r"[0-9A-F]{64}", one["InstallerSha256"]), "SHA-256")
need(re.fullmatch(r"https?://\S+", one["InstallerUrl"]), "URL")
need(entry["ProductCode"] == inst["ProductCode"], "product codes agree")
responses = {"packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse", "missingDependency",
             "diskFull", "insufficientMemory", "invalidParameter", "noNetwork", "contactSupport",
             "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser",
             "alreadyInstalled", "downgrade", "blockedByPolicy", "systemNotSupported", "custom"}
codes = {c["InstallerReturnCode"]: c["ReturnResponse"] for c in inst["ExpectedReturnCodes"]}
need(sorted(codes) == [-10, -3, -2, -1, 3010], "codes -1, -2, -3, -10, 3010: %s" % sorted(codes))
need(set(codes.values()) <= responses, "known responses")

for p in problems:
    print("PROBLEM=" + p)
print("SWITCHES=" + inst["InstallerSwitches"]["Silent"])
print("SHA256=" + one["InstallerSha256"])
print("ARCHITECTURE=" + one["Architecture"])
for key in ("DisplayName", "Publisher", "DisplayVersion", "ProductCode"):
    print("%s=%s" % (key, entry[key]))
print("PackageVersion=" + inst["PackageVersion"])
EOF
}

facts=$(read_manifests)
check_eq "the manifests parse" 0 $?
check_eq "every required field is there and well formed" "" "$(grep '^PROBLEM=' <<< "$facts")"
fact() { sed -n "s/^$1=//p" <<< "$facts"; }
check_eq "InstallerSha256 is the installer's" "$(sha256sum "$INSTALLER" | cut -c1-64 | tr a-f A-F)" "$(fact SHA256)"
check_eq "the architecture is the $INSTALLER_BITS-bit installer's" "$([ "$INSTALLER_BITS" = 64 ] && echo x64 || echo x86)" \
  "$(fact ARCHITECTURE)"
check_eq "the package version is the entry's display version" "$(fact DisplayVersion)" "$(fact PackageVersion)"

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
