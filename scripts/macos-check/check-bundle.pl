#!/usr/bin/env perl
# The bundle pass of scripts/check-macos: what macOS reads from the application bundle
# and would silently ignore or refuse when it is wrong.
#   - Every key of the Info.plist template and of the entitlements is one of Apple's
#     documented keys (bundle-keys.txt, each with its documentation page), in the place
#     Apple documents it (the top level, or inside the dictionaries of one key), with a
#     value of the documented type; no dictionary repeats a key. A misspelt key such as
#     NSAppleEventUsageDescription is not an error to macOS: it is simply never read.
#   - CFBundleExecutable is the output name of the bundle target: the CMake target whose
#     MACOSX_BUNDLE_INFO_PLIST is the file configured from the template, with its
#     OUTPUT_NAME (or its own name).
#   - CFBundleURLTypes registers the scheme the program handles (kScheme in
#     app/RemoteCommands.h).
#   - Every @NAME@ placeholder, which CMake's configure_file fills in, is a variable the
#     project's CMake files set.
#
#   check-bundle.pl TOP KEYS INFO-PLIST ENTITLEMENTS
use strict;
use warnings;
use File::Find;

my ($top, $keys_list, $info, $entitlements) = @ARGV;
die "usage: check-bundle.pl TOP KEYS INFO-PLIST ENTITLEMENTS\n" unless defined $entitlements;

my $failed = 0;
sub fail { print "FAIL  @_\n"; $failed = 1; }

# bundle-keys.txt: KEY | TYPE | WHERE | Apple's documentation. WHERE is Info.plist,
# entitlements, or Info.plist:KEY for the dictionaries inside KEY's value.
my %documented;    # "WHERE|KEY" => type
open my $in, '<', $keys_list or die "check-bundle: cannot read $keys_list: $!\n";
while (my $line = <$in>) {
    chomp $line;
    next if $line =~ /^\s*(#|$)/;
    my @fields = map { s/^\s+|\s+$//gr } split /\|/, $line;
    die "$keys_list:$.: want KEY | TYPE | WHERE | source, not: $line\n" unless @fields == 4 && $fields[3] =~ m{^https://};
    die "$keys_list:$.: unknown type $fields[1]\n" unless $fields[1] =~ /^(String|Boolean|Number|Array|Dictionary|Date|Data)$/;
    $documented{"$fields[2]|$fields[0]"} = $fields[1];
}
close $in;

# ---- A property list in XML, read into [type, value, line] nodes: a dictionary's value
# is a list of [key, node, line], an array's a list of nodes ----
sub read_plist {
    my ($path) = @_;
    open my $fh, '<', $path or do { fail("$path cannot be read: $!"); return undef };
    my $xml = do { local $/; <$fh> };
    close $fh;
    (my $code = $xml) =~ s{(<\?.*?\?>|<!--.*?-->|<!DOCTYPE[^>]*>)}{$1 =~ s/[^\n]/ /gr}gse;
    my @tokens;
    while ($code =~ m{<(/?)([A-Za-z]+)[^>]*?(/?)>|([^<]+)}g) {
        my ($closing, $tag, $empty, $text) = ($1, $2, $3, $4);
        my $line = 1 + (substr($code, 0, $-[0]) =~ tr/\n//);
        if (defined $tag) {
            push @tokens, [$closing ? 'close' : $empty ? 'empty' : 'open', $tag, $line];
        } elsif ($text =~ /\S/) {
            push @tokens, ['text', $text, $line];
        }
    }
    my $at = 0;
    my $error;
    my $want = sub {
        my ($kind, $name) = @_;
        my $token = $tokens[$at];
        if (!$token || $token->[0] ne $kind || (defined $name && $token->[1] ne $name)) {
            $error //= "$path:" . ($token ? $token->[2] : 'end') . ": expected " . ($kind eq 'close' ? "</$name>" : "<$name>");
            return undef;
        }
        return $tokens[$at++];
    };
    my $value;
    $value = sub {
        my $token = $tokens[$at++] or do { $error //= "$path: the property list ends early"; return undef };
        my ($kind, $name, $line) = @$token;
        if ($kind eq 'empty' && ($name eq 'true' || $name eq 'false')) {
            return ['Boolean', $name, $line];
        }
        if ($kind eq 'empty' && $name =~ /^(string|array|dict)$/) {
            return [{string => 'String', array => 'Array', dict => 'Dictionary'}->{$name}, $name eq 'string' ? '' : [], $line];
        }
        if ($kind ne 'open') {
            $error //= "$path:$line: expected a value, not <$kind $name>";
            return undef;
        }
        if ($name =~ /^(string|integer|real|date|data)$/) {
            my $text = ($tokens[$at] && $tokens[$at][0] eq 'text') ? $tokens[$at++][1] : '';
            $want->('close', $name) or return undef;
            my $type = {string => 'String', integer => 'Number', real => 'Number', date => 'Date', data => 'Data'}->{$name};
            return [$type, $text, $line];
        }
        if ($name eq 'array') {
            my @items;
            while ($tokens[$at] && $tokens[$at][0] ne 'close') {
                my $item = $value->() or return undef;
                push @items, $item;
            }
            $want->('close', 'array') or return undef;
            return ['Array', \@items, $line];
        }
        if ($name eq 'dict') {
            my @entries;
            while ($tokens[$at] && $tokens[$at][0] ne 'close') {
                my $open = $want->('open', 'key') or return undef;
                my $key = ($tokens[$at] && $tokens[$at][0] eq 'text') ? $tokens[$at++][1] : '';
                $want->('close', 'key') or return undef;
                my $item = $value->() or return undef;
                push @entries, [$key, $item, $open->[2]];
            }
            $want->('close', 'dict') or return undef;
            return ['Dictionary', \@entries, $line];
        }
        $error //= "$path:$line: <$name> is not a property-list value";
        return undef;
    };
    my $root;
    if ($want->('open', 'plist')) {
        $root = $value->();
        $want->('close', 'plist') if $root;
    }
    $error //= "$path: the root is not a dictionary" if $root && $root->[0] ne 'Dictionary';
    if ($error) {
        fail($error);
        return undef;
    }
    return $root;
}

# Checks every key of a dictionary node, and of the dictionaries below it.
sub check_keys {
    my ($path, $where, $node) = @_;
    my $count = 0;
    my %seen;
    for my $entry (@{$node->[1]}) {
        my ($key, $item, $line) = @$entry;
        ++$count;
        fail("$path:$line: $key appears twice in the same dictionary") if $seen{$key}++;
        my $type = $documented{"$where|$key"};
        if (!defined $type) {
            my @elsewhere = map { (split /\|/)[0] } grep { /\|\Q$key\E$/ } keys %documented;
            if (@elsewhere) {
                fail("$path:$line: $key belongs in $elsewhere[0], not in $where");
            } else {
                fail("$path:$line: $key is not one of Apple's documented keys for $where",
                     "(scripts/macos-check/bundle-keys.txt): misspelt, or add it there with its documentation page");
            }
        } elsif ($type ne $item->[0]) {
            fail("$path:$line: $key must be a $type, not a $item->[0]");
        }
        my @dictionaries = $item->[0] eq 'Dictionary' ? ($item)
            : $item->[0] eq 'Array' ? grep { $_->[0] eq 'Dictionary' } @{$item->[1]} : ();
        $count += check_keys($path, "$where:$key", $_) for @dictionaries;
    }
    return $count;
}

sub entry {
    my ($node, $key) = @_;
    my ($entry) = grep { $_->[0] eq $key } @{$node->[1]};
    return $entry ? $entry->[1] : undef;
}

# ---- The project's CMake files, without comments ----
my @cmake;
find(
    {no_chdir => 1,
     preprocess => sub { grep { !/^(build.*|\..+|artifacts)$/ } @_ },
     wanted => sub {
         return unless (/\/CMakeLists\.txt$/ || /\.cmake$/) && -f $_;
         open my $fh, '<', $_ or return;
         my $text = join '', map { s/^((?:[^"#\n]|"[^"]*")*)#.*$/$1/r } <$fh>;
         (my $relative = $File::Find::name) =~ s{^\Q$top\E/}{};
         push @cmake, [$relative, $text];
     }},
    $top);

# The commands of the CMake files: [file, name, arguments].
my @commands;
for my $file (@cmake) {
    while ($file->[1] =~ /\b(\w+)\s*\(((?:[^()"]|"[^"]*"|\((?2)\))*)\)/g) {
        my ($name, $arguments) = (lc $1, $2);
        push @commands, [$file->[0], $name, [map { s/^"|"$//gr } $arguments =~ /("[^"]*"|[^\s"]+)/g]];
    }
}

# The bundle target's output name, and where it was read.
sub bundle_executable {
    my @configured = map { $_->[2][1] } grep { $_->[1] eq 'configure_file' && ($_->[2][0] // '') =~ m{(^|/)Info\.plist\.in$} } @commands;
    return (undef, "no configure_file() of Info.plist.in in the CMake files") unless @configured;
    for my $command (grep { $_->[1] eq 'set_target_properties' } @commands) {
        my ($file, undef, $arguments) = @$command;
        my @words = @$arguments;
        my ($properties) = grep { $words[$_] eq 'PROPERTIES' } 0 .. $#words;
        next unless defined $properties;
        my @targets = @words[0 .. $properties - 1];
        my %set = @words[$properties + 1 .. $#words];
        next unless defined $set{MACOSX_BUNDLE_INFO_PLIST} && grep { $_ eq $set{MACOSX_BUNDLE_INFO_PLIST} } @configured;
        my $target = $targets[0];
        my $bundle = ($set{MACOSX_BUNDLE} // '') =~ /^(ON|TRUE|YES|1)$/i
            || grep { $_->[1] eq 'add_executable' && $_->[2][0] eq $target && grep { $_ eq 'MACOSX_BUNDLE' } @{$_->[2]} } @commands;
        return (undef, "$file: $target has MACOSX_BUNDLE_INFO_PLIST but is not a bundle (MACOSX_BUNDLE)") unless $bundle;
        return ($set{OUTPUT_NAME} // $target, "$file: the OUTPUT_NAME of $target, the bundle target");
    }
    return (undef, "no bundle target: no set_target_properties() names the configured Info.plist as its MACOSX_BUNDLE_INFO_PLIST");
}

# ---- The checks ----
my $keys = 0;
my $plist = read_plist($info);
if ($plist) {
    $keys += check_keys($info, 'Info.plist', $plist);

    my ($name, $where) = bundle_executable();
    my $executable = entry($plist, 'CFBundleExecutable');
    if (!defined $name) {
        fail("CFBundleExecutable cannot be checked: $where");
    } elsif (!$executable || $executable->[0] ne 'String') {
        fail("$info: CFBundleExecutable is missing: it must be $name ($where)");
    } elsif ($executable->[1] ne $name) {
        fail("$info:$executable->[2]: CFBundleExecutable is $executable->[1], but the bundle's executable is $name ($where)");
    }

    my ($scheme) = do { local (@ARGV, $/) = ("$top/app/RemoteCommands.h"); <> // '' } =~ /\bkScheme\s*=\s*"([^"]+)"/;
    my @schemes = map { $_->[0] eq 'String' ? $_->[1] : () }
        map { my $s = entry($_, 'CFBundleURLSchemes'); $s && $s->[0] eq 'Array' ? @{$s->[1]} : () }
        grep { $_->[0] eq 'Dictionary' } map { $_->[0] eq 'Array' ? @{$_->[1]} : () } grep {defined} entry($plist, 'CFBundleURLTypes');
    if (!defined $scheme) {
        fail("app/RemoteCommands.h has no kScheme: the scheme the program handles is not known");
    } elsif (!grep { $_ eq $scheme } @schemes) {
        fail("$info: CFBundleURLTypes does not register the $scheme scheme (kScheme in app/RemoteCommands.h)",
             "in any of its CFBundleURLSchemes");
    }

    my $cmake_text = join "\n", map { $_->[1] } @cmake;
    open my $fh, '<', $info or die;
    while (my $line = <$fh>) {
        while ($line =~ /\@([A-Za-z_][A-Za-z0-9_]*)\@/g) {
            fail("$info:$.: \@$1\@ is no variable of the project's CMake files: configure_file would leave it empty")
                unless $cmake_text =~ /\b\Q$1\E\b/;
        }
    }
    close $fh;
}
my $granted = read_plist($entitlements);
$keys += check_keys($entitlements, 'entitlements', $granted) if $granted;

print "ok    bundle: $keys keys of $info and $entitlements are Apple's, CFBundleExecutable is the bundle's ",
    "executable, the program's URL scheme is registered\n" unless $failed;
exit $failed;
