#!/usr/bin/perl
# Prepares one language's help project for chmcmd: topics converted to the language's code page,
# the stylesheet, the pictures the topics use, and the contents, index and project files.
#   gen_help.pl HELP_DIR LANG_CODE OUT_DIR
# Stops with a message on anything that would give a broken help file: a topic missing from the
# language or not in the contents, a link to an unknown topic, a missing picture, a character the
# code page cannot hold.
use strict;
use warnings;
use Encode qw(decode encode FB_CROAK LEAVE_SRC);
use File::Copy qw(copy);
use File::Path qw(make_path);
use Unicode::Normalize qw(NFD);

my ($help, $code, $out) = @ARGV;
die "usage: gen_help.pl HELP_DIR LANG_CODE OUT_DIR\n" unless defined $out;

sub fail { die "gen_help.pl [$code]: @_\n" }

sub read_utf8 {
    my ($path) = @_;
    open(my $in, '<:raw', $path) or fail("cannot read $path: $!");
    local $/;
    my $bytes = <$in>;
    close $in;
    my $text = eval { decode('UTF-8', $bytes, FB_CROAK) };
    fail("$path is not valid UTF-8") unless defined $text;
    $text =~ s/^\x{FEFF}//;
    return $text;
}

# ---- The language
my %lang;
for my $line (split /\n/, read_utf8("$help/languages.txt")) {
    next if $line =~ /^\s*(#|$)/;
    my @f = map { s/^\s+|\s+$//gr } split /\|/, $line;
    fail("languages.txt: expected 9 fields in: $line") unless @f == 9;
    next unless $f[0] eq $code;
    @lang{qw(code file lcid name encoding charset search title fonts)} = @f;
}
fail("not in languages.txt") unless $lang{code};

# Text in the language's code page; a character it cannot hold is an error, never a "?".
sub encoded {
    my ($text, $what) = @_;
    my $bytes = eval { encode($lang{encoding}, $text, FB_CROAK | LEAVE_SRC) };
    return $bytes if defined $bytes;
    my ($bad) = grep { !defined eval { encode($lang{encoding}, $_, FB_CROAK) } } split //, $text;
    fail(sprintf("%s: U+%04X has no %s form", $what, ord($bad // '?'), $lang{encoding}));
}

sub write_file {
    my ($path, $bytes) = @_;
    open(my $o, '>:raw', $path) or fail("cannot write $path: $!");
    print $o $bytes;
    close $o or fail("cannot write $path: $!");
}

# Attribute values in the contents and index files.
sub attr { my ($t) = @_; $t =~ s/&(?![#\w]+;)/&amp;/g; $t =~ s/"/&quot;/g; $t =~ s/</&lt;/g; $t }

# ---- Topics: contents order and levels
my @topics;  # { file, level, title, keywords }
for my $line (split /\n/, read_utf8("$help/topics.txt")) {
    next if $line =~ /^\s*(#|$)/;
    $line =~ /^( *)(\S+)\s*$/ or fail("topics.txt: bad line: $line");
    my $level = length($1) / 2;
    fail("topics.txt: odd indent: $line") if length($1) % 2;
    fail("topics.txt: $2 jumps a level") if $level > (@topics ? $topics[-1]{level} + 1 : 0);
    push @topics, { file => $2, level => $level };
}
my %known = map { $_->{file} => 1 } @topics;

opendir(my $dh, "$help/$code") or fail("no folder $help/$code");
for my $file (grep { /\.html?$/i } readdir $dh) {
    fail("$code/$file is not in topics.txt") unless $known{$file};
}
closedir $dh;

make_path("$out/images");
my %pictures;
my $charset_meta = qr{<meta\s+http-equiv="Content-Type"\s+content="text/html;\s*charset=utf-8"\s*/?>}i;
for my $topic (@topics) {
    my $path = "$help/$code/$topic->{file}";
    fail("missing topic $code/$topic->{file}") unless -f $path;
    my $html = read_utf8($path);
    my $metas = () = $html =~ /$charset_meta/g;
    fail("$code/$topic->{file}: needs exactly one charset=utf-8 meta") unless $metas == 1;
    $html =~ s{$charset_meta}{<meta http-equiv="Content-Type" content="text/html; charset=$lang{charset}">};
    # A line break is a blank to the viewer, and a blank inside CJK text is a visible gap: join
    # the source lines at wide characters (outside <pre>, where breaks are content).
    $html = join '', map {
        /^<pre\b/i ? $_ : s/(?<=[^\x00-\x7F])\n[ \t]*//gr =~ s/\n[ \t]*(?=[^\x00-\x7F])//gr
    } split m{(<pre\b.*?</pre>)}is, $html;
    ($topic->{title}) = $html =~ m{<title>\s*(.*?)\s*</title>}is;
    fail("$code/$topic->{file}: no <title>") unless $topic->{title};
    my ($keywords) = $html =~ m{<meta\s+name="keywords"\s+content="([^"]*)"}i;
    $topic->{keywords} = [grep { length } map { s/^\s+|\s+$//gr } split /;/, $keywords // ''];

    while ($html =~ m{\bhref="([^"]+)"}gi) {
        my $target = $1;
        next if $target =~ m{^(https?|mailto):}i || $target =~ /^#/;
        next if $target eq 'style.css';
        (my $file = $target) =~ s/#.*//;
        fail("$code/$topic->{file}: link to unknown topic $target") unless $known{$file};
    }
    while ($html =~ m{\bsrc="([^"]+)"}gi) {
        my $src = $1;
        $src =~ m{^images/([\w.-]+\.(png|gif|jpg))$}
            or fail("$code/$topic->{file}: pictures live in images/: $src");
        my $name = $1;
        my ($found) = grep { -f } ("$help/images/$code/$name", "$help/images/$name");
        fail("$code/$topic->{file}: no picture $name in images/$code/ or images/") unless $found;
        $pictures{$name} = $found;
    }
    write_file("$out/$topic->{file}", encoded($html, "$code/$topic->{file}"));
}
for my $name (sort keys %pictures) {
    copy($pictures{$name}, "$out/images/$name") or fail("cannot copy $pictures{$name}: $!");
}

# ---- Stylesheet: the shared one plus the language's fonts
my $css = read_utf8("$help/style.css");
$css .= "\nbody, td, th { font-family: $lang{fonts}; }\n";
write_file("$out/style.css", encoded($css, 'style.css'));

# ---- Contents (toc.hhc): books for topics that have sub-topics
my $head = qq{<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">\n<HTML>\n<HEAD>\n}
         . qq{<meta http-equiv="Content-Type" content="text/html; charset=$lang{charset}">\n}
         . qq{</HEAD>\n<BODY>\n};
my $toc = $head . qq{<OBJECT type="text/site properties">\n}
        . qq{<param name="ImageType" value="Folder">\n</OBJECT>\n<UL>\n};
my $level = 0;
for my $i (0 .. $#topics) {
    my $t = $topics[$i];
    while ($level > $t->{level}) { $level--; $toc .= '  ' x $level . "</UL>\n"; }
    $toc .= '  ' x $level . qq{<LI> <OBJECT type="text/sitemap">\n}
          . '  ' x $level . qq{  <param name="Name" value="} . attr($t->{title}) . qq{">\n}
          . '  ' x $level . qq{  <param name="Local" value="$t->{file}">\n}
          . '  ' x $level . qq{  </OBJECT>\n};
    if ($i < $#topics && $topics[$i + 1]{level} > $level) {
        $toc .= '  ' x $level . "<UL>\n";
        $level++;
    }
}
while ($level > 0) { $level--; $toc .= '  ' x $level . "</UL>\n"; }
$toc .= "</UL>\n</BODY>\n</HTML>\n";
write_file("$out/toc.hhc", encoded($toc, 'contents'));

# ---- Index (index.hhk): one entry per keyword, with every topic that names it
my (%index, %seen);
for my $t (@topics) {
    for my $k (@{ $t->{keywords} }) {
        push @{ $index{$k} }, $t unless $seen{"$k\0$t->{file}"}++;
    }
}
# Western languages sort without case and accents; the CJK code pages already order their
# characters the way readers look them up (GB2312 by pinyin, Big5 by strokes, JIS by reading).
my $cjk = $lang{encoding} !~ /^cp125/;
my %key = map {
    my $k = $_;
    $k => $cjk ? encoded($k, "keyword $k") : lc(NFD($k) =~ s/\p{Mn}//gr)
} keys %index;
my $hhk = $head . "<UL>\n";
for my $k (sort { $key{$a} cmp $key{$b} or $a cmp $b } keys %index) {
    $hhk .= qq{<LI> <OBJECT type="text/sitemap">\n  <param name="Name" value="} . attr($k) . qq{">\n};
    for my $t (@{ $index{$k} }) {
        $hhk .= qq{  <param name="Name" value="} . attr($t->{title}) . qq{">\n}
              . qq{  <param name="Local" value="$t->{file}">\n};
    }
    $hhk .= "  </OBJECT>\n";
}
$hhk .= "</UL>\n</BODY>\n</HTML>\n";
write_file("$out/index.hhk", encoded($hhk, 'index'));

# ---- Project: options, the viewer window (tabs, buttons, size) and the file list
my $search = lc $lang{search} eq 'yes';
# Window properties: tri-pane, synchronised contents, remembered position, search tab if indexed.
my $properties = sprintf('0x%x', 0x20 | 0x100 | 0x40000 | ($search ? 0x400 : 0));
# Toolbar: hide/show, back, forward, home, options, print.
my $buttons = sprintf('0x%x', 0x2 | 0x4 | 0x8 | 0x40 | 0x1000 | 0x2000);
my $hhp = "[OPTIONS]\r\n"
        . "Compatibility=1.1 or later\r\n"
        . "Compiled file=$lang{file}\r\n"
        . "Contents file=toc.hhc\r\n"
        . "Index file=index.hhk\r\n"
        . "Default Window=main\r\n"
        . "Default topic=$topics[0]{file}\r\n"
        . "Display compile progress=No\r\n"
        . "Full-text search=" . ($search ? 'Yes' : 'No') . "\r\n"
        . "Language=$lang{lcid} $lang{name}\r\n"
        . "Title=$lang{title}\r\n"
        . "\r\n[WINDOWS]\r\n"
        . qq{main="$lang{title}","toc.hhc","index.hhk","$topics[0]{file}","$topics[0]{file}",,,,,}
        . qq{$properties,240,$buttons,[60,40,900,680],,,,,,,0\r\n}
        . "\r\n[FILES]\r\n"
        . join('', map { "$_->{file}\r\n" } @topics)
        . "style.css\r\n"
        . join('', map { "images\\$_\r\n" } sort keys %pictures);
write_file("$out/project.hhp", encoded($hhp, 'project'));
