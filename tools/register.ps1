<#
.SYNOPSIS
  Registers the Ferolant native messaging host with Chrome, Edge, Chromium, Brave and Firefox
  on Windows.

.DESCRIPTION
  install   writes the manifests beside the host executable and points each browser's registry
            key HKCU (or, with -System, HKLM) \Software\...\NativeMessagingHosts\<name> at them
  remove    deletes the registry keys and the manifests
  check     tells, for each browser, whether the key is there, whether the manifest it names
            parses and names an existing executable, and whether that executable starts and
            answers NATIVEVERSION
  A browser that cannot use a host says only "Specified native messaging host not found.";
  check names the reason.

.EXAMPLE
  powershell -ExecutionPolicy Bypass -File tools\register.ps1 install -Path C:\Ferolant\ferolant.exe
  powershell -ExecutionPolicy Bypass -File tools\register.ps1 check
#>
param(
  [Parameter(Mandatory = $true, Position = 0)]
  [ValidateSet('install', 'remove', 'check')]
  [string]$Command,
  [string]$Name = 'ferolant.host',
  [string]$Path,
  [string[]]$ExtensionId = @('opcmhlcgnpogjgdcmghakfdhfachcdne'),
  [string[]]$FirefoxId = @('e2e@ferolant.test'),
  [ValidateSet('chrome', 'chromium', 'edge', 'brave', 'firefox', 'all')]
  [string[]]$Browser = @('all'),
  [switch]$System
)

$ErrorActionPreference = 'Stop'
$Description = 'Ferolant: signing for the browser through the Tavrin library'
$Keys = [ordered]@{
  chrome   = 'Software\Google\Chrome\NativeMessagingHosts'
  chromium = 'Software\Chromium\NativeMessagingHosts'
  edge     = 'Software\Microsoft\Edge\NativeMessagingHosts'
  brave    = 'Software\BraveSoftware\Brave-Browser\NativeMessagingHosts'
  firefox  = 'Software\Mozilla\NativeMessagingHosts'
}
$Hive = if ($System) { 'HKLM:' } else { 'HKCU:' }
$Browsers = if ($Browser -contains 'all') { @($Keys.Keys) } else { $Browser }

function Fail([string]$Message) {
  [Console]::Error.WriteLine("register: $Message")
  exit 2
}

# Every name is checked before anything is written.
if ($Name -cnotmatch '^[a-z0-9_]+(\.[a-z0-9_]+)*$') {
  Fail "host name '$Name': use lower-case letters, digits, '_' and single dots inside"
}
$Origins = foreach ($id in $ExtensionId) {
  if ($id -cmatch '^[a-p]{32}$') { "chrome-extension://$id/" }
  elseif ($id -cmatch '^chrome-extension://[a-p]{32}/$') { $id }
  else { Fail "extension id '$id': expected 32 letters a-p, or chrome-extension://ID/" }
}
foreach ($id in $FirefoxId) {
  if ($id -notmatch '^([A-Za-z0-9._+-]*@[A-Za-z0-9._-]+|\{[0-9a-fA-F-]{36}\})$') {
    Fail "Firefox extension id '$id': expected name@domain or {GUID}"
  }
}
if (-not $Path) { $Path = Join-Path (Split-Path -Parent $PSScriptRoot) 'build\bin\ferolant.exe' }
$Path = [System.IO.Path]::GetFullPath($Path)

function Manifest-File([string]$B) {
  # Chromium-family browsers and Firefox want different members, so each family has its file.
  $suffix = if ($B -eq 'firefox') { '.firefox.json' } else { '.json' }
  Join-Path (Split-Path -Parent $Path) "$Name$suffix"
}

function Write-Manifest([string]$B) {
  $m = [ordered]@{ name = $Name; description = $Description; path = $Path; type = 'stdio' }
  if ($B -eq 'firefox') { $m.allowed_extensions = @($FirefoxId) }
  else { $m.allowed_origins = @($Origins) }
  $file = Manifest-File $B
  [System.IO.File]::WriteAllText($file, ($m | ConvertTo-Json), (New-Object System.Text.UTF8Encoding $false))
  $file
}

function Test-Start([string]$Exe) {
  $psi = New-Object System.Diagnostics.ProcessStartInfo $Exe
  $psi.UseShellExecute = $false
  $psi.RedirectStandardInput = $true
  $psi.RedirectStandardOutput = $true
  $psi.RedirectStandardError = $true
  try { $p = [System.Diagnostics.Process]::Start($psi) } catch { return "does not start: $($_.Exception.Message)" }
  try {
    $body = [System.Text.Encoding]::ASCII.GetBytes('{"metoda":"NATIVEVERSION","parametry":{},"tabID":1}')
    $in = $p.StandardInput.BaseStream
    $in.Write([BitConverter]::GetBytes([int]$body.Length), 0, 4)
    $in.Write($body, 0, $body.Length)
    $in.Flush()
    $out = $p.StandardOutput.BaseStream
    $header = New-Object byte[] 4
    $read = $out.ReadAsync($header, 0, 4)
    if (-not $read.Wait(10000) -or $read.Result -ne 4) { return 'started but did not answer within 10 s' }
    $length = [BitConverter]::ToInt32($header, 0)
    $reply = New-Object byte[] $length
    $got = 0
    while ($got -lt $length) {
      $n = $out.Read($reply, $got, $length - $got)
      if ($n -le 0) { return 'closed its output in the middle of a reply' }
      $got += $n
    }
    $in.Close()
    if (-not $p.WaitForExit(10000)) { return 'answered but did not end when its input was closed' }
    $data = ([System.Text.Encoding]::ASCII.GetString($reply) | ConvertFrom-Json).result.data
    return "OK: answers NATIVEVERSION with '$data'"
  } finally {
    if (-not $p.HasExited) { $p.Kill() }
  }
}

function Check-One([string]$B) {
  $key = "$Hive\$($Keys[$B])\$Name"
  if (-not (Test-Path $key)) { return @($null, "not registered: no key $key") }
  $file = (Get-Item $key).GetValue('')
  if (-not $file) { return @($false, "$key has no default value naming the manifest") }
  if (-not (Test-Path -LiteralPath $file -PathType Leaf)) { return @($false, "$key names $file, which does not exist") }
  try { $m = Get-Content -LiteralPath $file -Raw | ConvertFrom-Json } catch { return @($false, "$file does not parse as JSON") }
  if ($m.name -cne $Name) { return @($false, "$file has name '$($m.name)', expected '$Name'") }
  if ($m.type -ne 'stdio') { return @($false, "$file has type '$($m.type)', must be stdio") }
  $member = if ($B -eq 'firefox') { $m.allowed_extensions } else { $m.allowed_origins }
  if (-not $member) { return @($false, "$file lacks " + $(if ($B -eq 'firefox') { 'allowed_extensions' } else { 'allowed_origins' })) }
  $exe = $m.path
  if (-not [System.IO.Path]::IsPathRooted($exe)) { $exe = Join-Path (Split-Path -Parent $file) $exe }
  if (-not (Test-Path -LiteralPath $exe -PathType Leaf)) { return @($false, "$file names $exe, which is not a file") }
  $started = Test-Start $exe
  return @($started.StartsWith('OK'), "$file -> $exe; host $started")
}

switch ($Command) {
  'install' {
    if (-not (Test-Path -LiteralPath $Path -PathType Leaf)) { Fail "$Path is not a file (build the host, or give -Path)" }
    foreach ($b in $Browsers) {
      $file = Write-Manifest $b
      $key = "$Hive\$($Keys[$b])\$Name"
      New-Item -Path $key -Force | Out-Null
      Set-Item -Path $key -Value $file
      Write-Output ('{0,-9} {1} -> {2}' -f $b, $key, $file)
    }
  }
  'remove' {
    foreach ($b in $Browsers) {
      $key = "$Hive\$($Keys[$b])\$Name"
      if (Test-Path $key) { Remove-Item -Path $key -Recurse; Write-Output ('{0,-9} removed {1}' -f $b, $key) }
      $file = Manifest-File $b
      if (Test-Path -LiteralPath $file) { Remove-Item -LiteralPath $file }
    }
  }
  'check' {
    $failed = $false
    $found = 0
    foreach ($b in $Browsers) {
      $ok, $text = Check-One $b
      $state = if ($null -eq $ok) { '-     ' } elseif ($ok) { 'OK    ' } else { 'BROKEN' }
      Write-Output ('{0,-9} {1} {2}' -f $b, $state, $text)
      if ($null -ne $ok) { $found++ }
      if ($false -eq $ok) { $failed = $true }
    }
    if ($found -eq 0) { Write-Output "no registration for '$Name' found: run register.ps1 install" }
    if ($failed -or $found -eq 0) { exit 1 }
  }
}
