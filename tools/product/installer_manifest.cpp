// The application manifest of an installer executable. The processor
// architecture is named in the identity and in the common-controls
// dependency alike: a 64-bit program that asks for the x86 common controls
// does not start on Windows (a side-by-side error).
#include "tools/product/product_outputs.h"

namespace kavri::product {
namespace {

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

// Every Windows the installer is written for, so that none runs it under the
// compatibility shims of an older one (which report an older version).
const char* const kSupportedSystems[][2] = {
    {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "Windows Vista"},
    {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "Windows 7"},
    {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "Windows 8"},
    {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "Windows 8.1"},
    {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "Windows 10 and 11"},
};

}  // namespace

const char* architectureName(Architecture architecture) {
  switch (architecture) {
    case Architecture::X86: return "x86";
    case Architecture::Amd64: return "amd64";
    case Architecture::Any: return "*";
  }
  return "*";
}

bool parseArchitecture(const std::string& text, Architecture& architecture) {
  for (Architecture a : {Architecture::X86, Architecture::Amd64, Architecture::Any})
    if (text == architectureName(a)) {
      architecture = a;
      return true;
    }
  return false;
}

std::string installerManifest(const Product& product, Role role, Architecture architecture) {
  const auto& v = product.versionNumbers;
  const std::string version =
      std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." + std::to_string(v[3]);
  const std::string arch = architectureName(architecture);
  // Only a per-machine install needs administrator rights from the start; a
  // per-user one never asks, and one that lets the user choose asks only
  // when the user chooses every user (by starting itself again elevated).
  const char* level = product.installMode == InstallMode::PerMachine ? "requireAdministrator" : "asInvoker";
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
      "  <assemblyIdentity type=\"win32\" name=\"" + product.id + (role == Role::Setup ? ".Setup" : ".Uninstall") +
      "\" version=\"" + version + "\" processorArchitecture=\"" + arch + "\"/>\n"
      "  <description>" + xmlEscaped(fileDescription(product, role)) + "</description>\n"
      "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
      "    <security>\n"
      "      <requestedPrivileges>\n"
      "        <requestedExecutionLevel level=\"" + level + "\" uiAccess=\"false\"/>\n"
      "      </requestedPrivileges>\n"
      "    </security>\n"
      "  </trustInfo>\n"
      "  <dependency>\n"
      "    <dependentAssembly>\n"
      "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"\n"
      "                        processorArchitecture=\"" + arch + "\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>\n"
      "    </dependentAssembly>\n"
      "  </dependency>\n"
      "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\n"
      "    <application>\n";
  for (const auto& system : kSupportedSystems)
    out += std::string("      <!-- ") + system[1] + " -->\n      <supportedOS Id=\"" + system[0] + "\"/>\n";
  // The process-wide settings, each in the namespace of the Windows version
  // that brought it. Display scaling: per-monitor (v2) where the system knows
  // it, else per-monitor, else system-wide awareness ("true/pm"); the window
  // code scales itself by each window's DPI, so the system never stretches it.
  return out +
         "    </application>\n"
         "  </compatibility>\n"
         "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
         "    <windowsSettings>\n"
         "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>\n"
         "      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>\n"
         "      <longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>\n"
         "    </windowsSettings>\n"
         "  </application>\n"
         "</assembly>\n";
}

}  // namespace kavri::product
