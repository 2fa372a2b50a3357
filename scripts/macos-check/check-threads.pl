#!/usr/bin/env perl
# The threads pass of scripts/check-macos: a block that an Apple API runs on a queue of
# its own must not touch Qt or the core there. It reads each file as text, with comments
# and literals blanked out, and looks at two kinds of block:
#   - a block passed as a completion, reply or handler argument (`completionHandler:`,
#     `reply:`, `withReply:`, `errorHandler:`, ...);
#   - a block passed to dispatch_async, dispatch_after, dispatch_sync and the like
#     (not dispatch_once) with a queue other than dispatch_get_main_queue().
# In such a block, what does not run inside a hop to the main queue (a nested
# dispatch_async or dispatch_sync to dispatch_get_main_queue(), or an operation added to
# NSOperationQueue's mainQueue) must not:
#   - name Qt (a Q-prefixed type or call, Qt::, qApp, qDebug..., emit);
#   - call into the core or the ports (lendmode::..., platform::..., or a namespace alias
#     of them), except lendmode::log's error, info, debug and write, which any thread
#     may call (base/Log.h), and the layer's own helpers (platform::macos::);
#   - use `this` (in the layer, the port or Qt object that made the block);
#   - call a callback handed in from C++ (a variable or parameter whose type is
#     std::function or one of the project's std::function aliases), or use a variable
#     or function of a Qt type.
# Handing a value over with Handover (platform/macos/Handover.h) or messaging
# performSelectorOnMainThread: is the way out, and touches neither.
#
# A block that is safe on any thread although it matches (an AppKit handler that runs
# on the main thread, say) carries the comment `// check-macos: any thread: WHY` in its
# body. A known finding that cannot be marked in its file is listed with a reason in
# known-findings.txt.
#
#   check-threads.pl TOP KNOWN-FINDINGS FILE...
use strict;
use warnings;
use File::Find;
use File::Basename qw(basename);

my ($top, $known_list, @files) = @ARGV;
die "usage: check-threads.pl TOP KNOWN-FINDINGS FILE...\n" unless @files;

# known-findings.txt: threads | FILE NAME | BLOCK ARGUMENT | WHAT IT TOUCHES | why it is safe
my %known;
my %known_line;
if (open my $in, '<', $known_list) {
    while (my $line = <$in>) {
        chomp $line;
        next if $line =~ /^\s*(#|$)/;
        my @fields = map { s/^\s+|\s+$//gr } split /\|/, $line;
        die "$known_list:$.: want threads | file | block | touches | reason\n"
            unless @fields == 5 && $fields[4] ne '';
        next unless $fields[0] eq 'threads';
        my $key = join '|', @fields[1 .. 3];
        $known{$key} = 0;
        $known_line{$key} = $.;
    }
    close $in;
}

# The names of the project's std::function aliases (`using Done = std::function<...>`).
my %callback_types;
find(
    {no_chdir => 1,
     preprocess => sub { grep { !/^(build.*|\..*|artifacts)$/ } @_ },
     wanted => sub {
         return unless /\.h$/ && -f $_;
         open my $fh, '<', $_ or return;
         local $/;
         my $text = <$fh>;
         $callback_types{$1} = 1 while $text =~ /\busing\s+(\w+)\s*=\s*std::function\b/g;
     }},
    grep { -d } map {"$top/$_"} qw(base model engine platform ui app));
my $callback_type = join '|', 'std::function\s*<[^;{}]*?>', map { "(?:\\w+::)*\Q$_\E" } sort keys %callback_types;

# Blanks out comments, string and character literals, keeping offsets and lines.
# Returns the blanked text and the comments as [offset, text].
sub blank {
    my ($text) = @_;
    my @comments;
    $text =~ s{(/\*.*?\*/|//[^\n]*)|(\@?"(?:[^"\\\n]|\\.)*")|((?<![\w'])'(?:[^'\\\n]|\\.)+')}{
        push @comments, [$-[0], $1] if defined $1;
        ($1 // $2 // $3) =~ s/[^\n]/ /gr
    }gse;
    return ($text, \@comments);
}

sub line_at {
    my ($text, $offset) = @_;
    return 1 + (substr($text, 0, $offset) =~ tr/\n//);
}

# The offset just past the brace that closes the one at $open.
sub block_end {
    my ($code, $open) = @_;
    my $depth = 0;
    for (my $i = $open; $i < length $code; ++$i) {
        my $c = substr($code, $i, 1);
        ++$depth if $c eq '{';
        if ($c eq '}') {
            return $i + 1 if --$depth == 0;
        }
    }
    return length $code;
}

# What the block at $caret is passed to: ['argument', KEYWORD], ['call', FUNCTION,
# ARGUMENTS BEFORE IT], or undef.
sub context_of {
    my ($code, $caret) = @_;
    my $before = substr($code, 0, $caret);
    return ['argument', $1] if $before =~ /(\w+)\s*:\s*$/;
    return undef unless $before =~ /[(,]\s*$/;
    my $depth = 0;
    for (my $i = length($before) - 1; $i >= 0; --$i) {
        my $c = substr($before, $i, 1);
        if ($c eq ')') {
            ++$depth;
        } elsif ($c eq '(') {
            if ($depth-- == 0) {
                my ($function) = substr($before, 0, $i) =~ /(\w+)\s*$/;
                return ['call', $function // '', substr($before, $i + 1)];
            }
        } elsif ($c =~ /[;{}]/ && $depth == 0) {
            return undef;
        }
    }
    return undef;
}

my $main_queue = qr/dispatch_get_main_queue\s*\(\s*\)/;

# Whether a block in this context runs off the main thread, and how to name it.
sub checked_context {
    my ($context) = @_;
    return undef unless $context;
    my ($kind, $name, $arguments) = @$context;
    return "a $name: block" if $kind eq 'argument' && $name =~ /completion|reply|handler/i;
    return "a block dispatched with $name"
        if $kind eq 'call' && $name =~ /^dispatch_/ && $name ne 'dispatch_once' && $arguments !~ $main_queue;
    return undef;
}

# Whether the block in this context is a hop to the main queue.
sub hops_to_main {
    my ($code, $caret, $context) = @_;
    return 0 unless $context;
    return 1 if $context->[0] eq 'call' && $context->[1] =~ /^dispatch_/ && $context->[2] =~ $main_queue;
    return 1 if $context->[0] eq 'argument' && $context->[1] eq 'addOperationWithBlock'
        && substr($code, 0, $caret) =~ /\bmainQueue\b\s*\]?\s*addOperationWithBlock\s*:\s*$/;
    return 0;
}

my $failed = 0;
for my $file (@files) {
    open my $fh, '<', $file or die "check-threads: cannot read $file: $!\n";
    my $text = do { local $/; <$fh> };
    close $fh;
    my ($code, $comments) = blank($text);
    my $name = basename($file);

    # Namespace aliases of the core and the ports, read as what they stand for.
    my %aliases;
    $aliases{$1} = $2 while $code =~ /\bnamespace\s+(\w+)\s*=\s*:?:?((?:lendmode|platform)\b[\w:]*)\s*;/g;

    # Callbacks handed in from C++ and variables of Qt types, by name.
    my (%callbacks, %qt_objects);
    while ($code =~ /(?:^|[\s(,])(?:const\s+)?(?:$callback_type)\s*(?:const\s*)?&{0,2}\s*(\w+)\s*(?=[,)=;{(])/gm) {
        $callbacks{$1} = 1;
    }
    while ($code =~ /\b(Q[A-Z][a-z]\w*)\s*(?:<[^;{}()]*?>)?\s*(?:const\s*)?[*&]*\s*(\w+)\s*(?=[,)=;{(])/g) {
        $qt_objects{$2} = 1 unless $2 eq 'const';
    }

    # Every block literal: its caret, body and context.
    my @blocks;
    while ($code =~ /\^\s*(?:\w[\w\s*&]*?)?\s*(\((?:[^()]++|(?1))*\))?\s*\{/g) {
        my ($caret, $open) = ($-[0], $+[0] - 1);
        my $context = context_of($code, $caret);
        push @blocks,
            {caret => $caret, open => $open, end => block_end($code, $open), context => $context,
             checked => checked_context($context), hop => hops_to_main($code, $caret, $context)};
    }

    for my $block (grep { $_->{checked} } @blocks) {
        my ($open, $end) = @$block{qw(open end)};
        my $start_line = line_at($text, $block->{caret});
        my $end_line = line_at($text, $end);
        next if grep {
            $_->[1] =~ /check-macos:\s*any thread:\s*\S/ && line_at($text, $_->[0]) >= $start_line
                && line_at($text, $_->[0]) <= $end_line
        } @$comments;

        # What runs in this block itself: nested hops and nested checked blocks (which are
        # looked at on their own) are left out.
        my $body = substr($code, $open + 1, $end - $open - 2);
        for my $nested (grep { $_->{open} > $open && $_->{end} <= $end && ($_->{hop} || $_->{checked}) } @blocks) {
            my ($from, $to) = ($nested->{open} + 1 - ($open + 1), $nested->{end} - 1 - ($open + 1));
            substr($body, $from, $to - $from) = ' ' x ($to - $from) if $to > $from;
        }
        my @touches;    # [offset in the body, what is touched, how]
        my $note = sub { push @touches, [@_] };
        while ($body =~ /\b(emit|Q_EMIT)\b/g) { $note->($-[0], $1, "emits a Qt signal") }
        while ($body =~ /\b(Qt::\w+|Q[A-Z][a-z]\w*|qApp|qDebug|qInfo|qWarning|qCritical|qFatal|qobject_cast)\b/g) {
            $note->($-[0], $1, "uses Qt ($1)");
        }
        while ($body =~ /\bthis\b/g) { $note->($-[0], 'this', "uses this (the C++ object that made the block)") }
        for my $callback (sort keys %callbacks) {
            while ($body =~ /(?<![\w.>])\Q$callback\E\s*\(/g) {
                $note->($-[0], $callback, "calls $callback (a callback handed in from C++)");
            }
        }
        for my $object (sort keys %qt_objects) {
            while ($body =~ /(?<![\w.>])\Q$object\E\s*(?:->|\.|\()/g) {
                $note->($-[0], $object, "uses $object (of a Qt type)");
            }
        }
        my %prefixes = (lendmode => 'lendmode', platform => 'platform', %aliases);
        for my $prefix (sort keys %prefixes) {
            while ($body =~ /(?<![\w:])\Q$prefix\E((?:::\w+)+)/g) {
                my ($at, $what) = ($-[0], "$prefixes{$prefix}$1");
                next if $what =~ /^lendmode::log::(error|info|debug|write)$/ || $what =~ /^platform::macos::/;
                $note->($at, $what, $what =~ /^lendmode/ ? "calls into the core ($what)" : "uses the ports ($what)");
            }
        }

        my %seen;
        for my $touch (sort { $a->[0] <=> $b->[0] } @touches) {
            my ($offset, $what, $how) = @$touch;
            next if $seen{$what}++;
            my $key = join '|', $name, "$block->{context}[1]:", $what;
            if (exists $known{$key}) {
                $known{$key} = 1;
                next;
            }
            my $line = line_at($text, $open + 1 + $offset);
            print "FAIL  $file:$line: $block->{checked} (line $start_line) $how off the main thread: ",
                "hop to the main queue first (dispatch_async(dispatch_get_main_queue(), ...), a Handover, ",
                "performSelectorOnMainThread:), or mark a block that is safe on any thread with ",
                "\"// check-macos: any thread: WHY\"\n";
            $failed = 1;
        }
    }
}

# A known finding that no longer occurs in a checked file is stale.
my %checked_names = map { basename($_) => 1 } @files;
for my $key (sort keys %known) {
    my ($file) = split /\|/, $key;
    next if $known{$key} || !$checked_names{$file};
    print "FAIL  $known_list:$known_line{$key}: $file no longer has this finding: remove the entry\n";
    $failed = 1;
}
print "ok    threads: no completion, reply or dispatched block touches Qt or the core off the main thread\n"
    unless $failed;
exit $failed;
