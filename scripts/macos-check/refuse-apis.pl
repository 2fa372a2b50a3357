#!/usr/bin/env perl
# Writes copies of the GNUstep headers that declare the APIs of refused-apis.txt, with
# each of those declarations marked __attribute__((unavailable("why; what instead"))).
# scripts/check-macos puts the copies before GNUstep's own headers, so that clang
# rejects every use of a refused API with its reason, and only where the receiver is
# of the refused class: `item.title` on an NSStatusItem fails, `button.title` on its
# NSStatusBarButton does not. An entry that matches no declaration fails, so that the
# list cannot go stale unnoticed.
#
#   refuse-apis.pl LIST GNUSTEP-INCLUDE-DIR OUTPUT-DIR
use strict;
use warnings;
use File::Find;
use File::Path qw(make_path);
use File::Basename qw(dirname);

my ($list, $include, $output) = @ARGV;
die "usage: refuse-apis.pl LIST GNUSTEP-INCLUDE-DIR OUTPUT-DIR\n" unless defined $output;

# An entry: API | why it is refused | what to use instead | Apple's documentation.
# API is -[Class selector], +[Class selector], [Class(Category) *] (every method of a
# category) or -[Class(Category) selector].
my @entries;
open my $in, '<', $list or die "refuse-apis: cannot read $list: $!\n";
while (my $line = <$in>) {
    chomp $line;
    next if $line =~ /^\s*(#|$)/;
    my @fields = map { s/^\s+|\s+$//gr } split /\|/, $line;
    die "$list:$.: want API | why | instead | source, not: $line\n" unless @fields == 4 && $fields[3] ne '';
    my ($api, $why, $instead) = @fields;
    $api =~ /^([-+]?)\[(\w+)(?:\s*\((\w+)\))?\s+(\*|\w+|(?:\w+:)+)\]$/
        or die "$list:$.: cannot read the API \"$api\"\n";
    my ($kind, $class, $category, $selector) = ($1, $2, $3, $4);
    die "$list:$.: only [Class(Category) *] may leave out - or +\n" if $kind eq '' && $selector ne '*';
    (my $message = "refused (scripts/macos-check/refused-apis.txt): $why; use $instead") =~ s/(["\\])/\\$1/g;
    push @entries,
        {api => $api, line => $., kind => $kind, class => $class, category => $category,
         selector => $selector, message => $message, found => 0};
}
close $in;

my %classes = map { $_->{class} => 1 } @entries;
my $class_pattern = join '|', map { quotemeta } sort keys %classes;

# The same text with comments blanked out (offsets and lines kept), so that a `;` or a
# `- (` inside a comment is not read as code.
sub without_comments {
    my ($text) = @_;
    $text =~ s{(/\*.*?\*/|//[^\n]*)}{$1 =~ s/[^\n]/ /gr}gse;
    return $text;
}

# The selector a method declaration (after its sign and result type) declares.
sub selector_of {
    my ($declaration) = @_;
    $declaration =~ s/(\((?:[^()]++|(?1))*\))/ /g;    # parameter types and attributes' arguments
    return join('', map {"$_:"} $declaration =~ /(\w*)\s*:/g) if $declaration =~ /:/;
    return ($declaration =~ /^\s*(\w+)/)[0] // '';
}

my %patched;    # relative path => patched text
find(
    {no_chdir => 1,
     wanted => sub {
         return unless /\.h$/ && -f $_;
         open my $fh, '<', $_ or return;
         local $/;
         my $text = <$fh>;
         close $fh;
         return unless $text =~ /\@interface\s+(?:$class_pattern)\b/;
         my $code = without_comments($text);
         my @insertions;    # [offset, entry]
         while ($code =~ /\@interface\s+(\w+)\s*(?:\(\s*(\w*)\s*\))?(.*?)\@end/sg) {
             my ($class, $category, $start, $body) = ($1, $2, $-[3], $3);
             my @mine = grep {
                 $_->{class} eq $class && (!defined $_->{category} || ($category // '') eq $_->{category})
             } @entries;
             next unless @mine;
             while ($body =~ /^[ \t]*([-+])[ \t]*(\((?:[^()]++|(?2))*\))([^;{}]*);/mg) {
                 my ($kind, $end) = ($1, $start + $+[0] - 1);
                 my $selector = selector_of($3);
                 for my $entry (@mine) {
                     next unless $entry->{kind} eq '' || $entry->{kind} eq $kind;
                     next unless $entry->{selector} eq '*' || $entry->{selector} eq $selector;
                     $entry->{found} = 1;
                     push @insertions, [$end, $entry];
                     last;
                 }
             }
         }
         return unless @insertions;
         for my $insertion (sort { $b->[0] <=> $a->[0] } @insertions) {
             substr($text, $insertion->[0], 0) = " __attribute__((unavailable(\"$insertion->[1]{message}\")))";
         }
         (my $relative = $File::Find::name) =~ s{^\Q$include\E/}{};
         $patched{$relative} = $text;
     }},
    $include);

my @missing = grep { !$_->{found} } @entries;
for my $entry (@missing) {
    print STDERR "$list:$entry->{line}: $entry->{api} is declared nowhere in $include: ",
        "GNUstep no longer declares it (clang then rejects it anyway) or the entry is misspelt\n";
}
exit 1 if @missing;

for my $relative (sort keys %patched) {
    my $path = "$output/$relative";
    make_path(dirname($path));
    open my $out, '>', $path or die "refuse-apis: cannot write $path: $!\n";
    print $out $patched{$relative};
    close $out;
}
