#!/usr/bin/perl
# Fills the @S(...)@ marks of a language-neutral source (dialog layouts, SVG art) from a text map.
#   gen_rc_text.pl rc|svg TEMPLATE MAP OUTPUT
# MAP lines are "KEY = text" (UTF-8; blank lines and lines starting with '#' are skipped). A mark
# without a text in the map fails the build, so a missing translation is never shipped silently.
# Texts are escaped for the target: rc doubles '"'; svg escapes the XML specials.
# In rc output an @A(...)@ mark stands for the text as initial data of a dialog control (the
# RT_DLGINIT entry's byte count as a DWORD, then the bytes as WORDs): the text in the map's
# ANSI_CODEPAGE (converted with iconv), NUL-terminated and padded to an even length.
# Only perl-base is used (Debian's essential perl), no modules beyond strict and warnings.
use strict;
use warnings;

die "usage: $0 rc|svg TEMPLATE MAP OUTPUT\n" unless @ARGV == 4;
my ($kind, $template, $map, $output) = @ARGV;
die "$0: unknown kind '$kind'\n" unless $kind eq 'rc' || $kind eq 'svg';

my %text;
open(my $mh, '<:raw', $map) or die "$0: cannot read $map: $!\n";
while (my $line = <$mh>) {
    $line =~ s/\r?\n\z//;
    next if $line =~ /^\s*(#|$)/;
    my ($key, $value) = $line =~ /^\s*([A-Za-z0-9_]+)\s*=\s?(.*?)\s*\z/
        or die "$map:$.: expected KEY = text\n";
    die "$map:$.: $key given twice\n" if exists $text{$key};
    $text{$key} = $value;
}
close($mh);

sub escaped {
    my ($value) = @_;
    if ($kind eq 'rc') {
        $value =~ s/"/""/g;
    } else {
        $value =~ s/&/&amp;/g;
        $value =~ s/</&lt;/g;
        $value =~ s/>/&gt;/g;
        $value =~ s/"/&quot;/g;
    }
    return $value;
}

open(my $th, '<:raw', $template) or die "$0: cannot read $template: $!\n";
local $/;
my $source = <$th>;
close($th);

# The text in the library's ANSI code page as "COUNTL, 0xWORD, ..." for a DLGINIT entry.
sub ansi_data {
    my ($value) = @_;
    my $cp = $text{ANSI_CODEPAGE} or die "$0: $map has no ANSI_CODEPAGE for \@A(...)\@ marks\n";
    my $scratch = "$output.ansi.tmp";
    open(my $sh, '>:raw', $scratch) or die "$0: cannot write $scratch: $!\n";
    print $sh $value;
    close($sh);
    open(my $ih, '-|', 'iconv', '-f', 'UTF-8', '-t', $cp, $scratch)
        or die "$0: cannot run iconv: $!\n";
    binmode($ih);
    local $/;
    my $bytes = <$ih>;
    close($ih) or die "$0: iconv cannot put '$value' into $cp\n";
    unlink($scratch);
    $bytes = '' unless defined $bytes;
    $bytes .= "\0";
    $bytes .= "\0" if length($bytes) % 2;
    my @words = map { sprintf('0x%04X', $_) } unpack('v*', $bytes);
    return length($bytes) . 'L, ' . join(', ', @words);
}

my @missing;
$source =~ s{\@S\(([A-Za-z0-9_]+)\)\@}{
    exists $text{$1} ? escaped($text{$1}) : do { push @missing, $1; '' }
}ge;
if ($kind eq 'rc') {
    $source =~ s{\@A\(([A-Za-z0-9_]+)\)\@}{
        exists $text{$1} ? ansi_data($text{$1}) : do { push @missing, $1; '' }
    }ge;
}
die "$0: $map has no text for: " . join(', ', @missing) . "\n" if @missing;

my $generated = ($kind eq 'rc' ? "// Generated from $template and $map: edit those.\n"
                               : "");
open(my $oh, '>:raw', "$output.tmp") or die "$0: cannot write $output.tmp: $!\n";
print $oh $generated, $source;
close($oh) or die "$0: cannot write $output.tmp: $!\n";
rename("$output.tmp", $output) or die "$0: cannot write $output: $!\n";
