#!/usr/bin/perl
# Composes one skinned-button picture as SVG: a face of the given style and state with a pictogram.
#   gen_button.pl GLYPH_DIR STYLE STATE WIDTHxHEIGHT GLYPH OUTPUT [tone=NAME] [backdrop=NAME[:Y]]
# GLYPH is a file GLYPH_DIR/GLYPH.svg drawn on a 24 x 24 grid in currentColor, or "digit:C" for a
# keypad character. The face is drawn over a one-and-a-half pixel ring of the colour that lies under
# the button in its window (the backdrop), so its anti-aliased edge blends with the real background;
# beyond that ring the picture stays transparent and the renderer turns it into magenta.
# Backdrop colours repeat those of art/main_background.svg and art/page_background.svg.
# Only perl-base is used, like gen_rc_text.pl.
use strict;
use warnings;

die "usage: $0 GLYPH_DIR STYLE STATE WxH GLYPH OUTPUT [tone=NAME] [backdrop=NAME[:Y]] [opaque=1]\n"
    unless @ARGV >= 6;
my ($glyph_dir, $style, $state, $size, $glyph, $output, @options) = @ARGV;
my ($w, $h) = $size =~ /^(\d+)x(\d+)$/ or die "$0: size '$size' is not WIDTHxHEIGHT\n";
my %opt = (tone => 'blue', backdrop => 'page', opaque => 0);
for (@options) {
    my ($k, $v) = /^(tone|backdrop|opaque)=(\S+)$/ or die "$0: unknown option '$_'\n";
    $opt{$k} = $v;
}
die "$0: unknown state '$state'\n" unless $state =~ /^(normal|active|disabled)$/;

# ---- Backdrops: what the window shows under the button --------------------------------------
# header: the main window's title gradient, from y 0 to 84; the button's top lies at Y.
# body: the main window's flat frame colour; page: the page background.
my %flat = (body => '#e4ecf6', page => '#f6f9fd');
my ($backdrop_name, $backdrop_y) = split /:/, $opt{backdrop};
$backdrop_y //= 0;
my $defs = '';
my $backdrop;
if ($backdrop_name eq 'header') {
    my ($y1, $y2) = (-$backdrop_y, 84 - $backdrop_y);
    $defs .= qq{<linearGradient id="bd" gradientUnits="userSpaceOnUse" x1="0" y1="$y1" x2="0" y2="$y2">}
        . qq{<stop offset="0" stop-color="#2f80d2"/><stop offset="1" stop-color="#134c92"/></linearGradient>\n};
    $backdrop = 'url(#bd)';
} elsif (exists $flat{$backdrop_name}) {
    $backdrop = $flat{$backdrop_name};
} else {
    die "$0: unknown backdrop '$backdrop_name'\n";
}

# ---- Tones: the colour family of filled faces ------------------------------------------------
my %tones = (
    blue  => { top => '#3a86d6', bottom => '#1d5fae', deep => '#174e93', ink => '#1d5fae' },
    green => { top => '#5cc54c', bottom => '#2f9a37', deep => '#23782a', ink => '#2c8c34' },
    red   => { top => '#ef6256', bottom => '#cc3b2f', deep => '#a82d23', ink => '#c4372c' },
);
my $tone = $tones{$opt{tone}} or die "$0: unknown tone '$opt{tone}'\n";

sub gradient {
    my ($id, $top, $bottom) = @_;
    $defs .= qq{<linearGradient id="$id" x1="0" y1="0" x2="0" y2="1">}
        . qq{<stop offset="0" stop-color="$top"/><stop offset="1" stop-color="$bottom"/></linearGradient>\n};
    return "url(#$id)";
}

# ---- Faces ---------------------------------------------------------------------------------
# Each style gives: the face outline (rounded rectangle or circle), its paint, the pictogram size
# and colour. Rounded rectangles sit half a pixel inside the picture so their border is crisp.
my ($shape, $face, $glyph_px, $ink, $extra) = ('rect', '', 0, '', '');
my $radius;
my $border = 'none';
my $shadow = 0;
if ($style eq 'tab') {              # page buttons on the title gradient
    $radius = 9;
    $glyph_px = 28;
    if ($state eq 'active') {
        $face = gradient('f', '#ffffff', '#dce8f6');
        $border = '#ffffff';
        $ink = '#1d5fae';
        $shadow = 1;
    } else {
        $face = '#ffffff';          # a faint tile: white over the gradient, see opacity below
        $extra = 'tile';
        $ink = '#ffffff';
    }
} elsif ($style eq 'title') {       # minimise, close, statistics in the title strip
    $radius = 5;
    $glyph_px = 15;
    $ink = '#ffffff';
    if ($state eq 'active') {
        if ($opt{tone} eq 'red') {
            $face = gradient('f', $tone->{top}, $tone->{bottom});
        } else {
            $face = '#ffffff';
            $extra = 'tile-strong';
        }
    } else {
        $face = 'none';
    }
} elsif ($style eq 'tool') {        # toolbar pills on the frame colour
    $radius = ($h - 1) / 2;
    $glyph_px = 15;
    if ($state eq 'active') {
        $face = gradient('f', $tone->{top}, $tone->{bottom});
        $border = $tone->{deep};
        $ink = '#ffffff';
    } else {
        $face = gradient('f', '#ffffff', '#eef3fa');
        $border = '#b4c8e0';
        $ink = '#2f5f96';
    }
} elsif ($style eq 'pill' || $style eq 'key') {   # page actions and keypad keys
    $radius = $style eq 'pill' ? ($h - 1) / 2 : 6;
    $glyph_px = $style eq 'pill' ? 17 : 18;
    if ($state eq 'active') {
        $face = gradient('f', $tone->{top}, $tone->{bottom});
        $border = $tone->{deep};
        $ink = '#ffffff';
    } elsif ($state eq 'disabled') {
        $face = '#edf0f4';
        $border = '#d0d7e0';
        $ink = '#a9b4c2';
    } else {
        $face = gradient('f', '#ffffff', '#e8eff8');
        $border = '#a9c0dc';
        $ink = $style eq 'key' ? '#163d6b' : $tone->{ink};
        $shadow = 1;
    }
} elsif ($style eq 'call') {        # call and hang-up on the call page: filled, coloured
    $radius = 10;
    $glyph_px = 24;
    $ink = '#ffffff';
    if ($state eq 'active') {
        $face = gradient('f', $tone->{bottom}, $tone->{deep});
        $border = $tone->{deep};
    } elsif ($state eq 'disabled') {
        $face = gradient('f', '#dfe4ea', '#c9d1db');
        $border = '#b8c2ce';
        $ink = '#f4f6f9';
    } else {
        $face = gradient('f', $tone->{top}, $tone->{bottom});
        $border = $tone->{deep};
        $shadow = 1;
    }
} elsif ($style eq 'round') {       # the internet page's connect button
    $shape = 'circle';
    $glyph_px = int(($w < $h ? $w : $h) * 0.44);
    $ink = '#ffffff';
    if ($state eq 'active') {
        $face = gradient('f', $tone->{bottom}, $tone->{deep});
        $border = $tone->{deep};
    } elsif ($state eq 'disabled') {
        $face = gradient('f', '#dfe4ea', '#c5ced9');
        $border = '#b3bfcc';
        $ink = '#f4f6f9';
    } else {
        $face = gradient('f', $tone->{top}, $tone->{bottom});
        $border = $tone->{deep};
        $shadow = 1;
    }
} else {
    die "$0: unknown style '$style'\n";
}

# ---- Outline ---------------------------------------------------------------------------------
my $outline;
if ($shape eq 'circle') {
    my $r = (($w < $h ? $w : $h) - 1) / 2 - ($shadow ? 0.5 : 0);
    my ($cx, $cy) = ($w / 2, $h / 2 - ($shadow ? 0.5 : 0));
    $outline = sub { my ($grow, $dy) = @_; $dy //= 0;
        sprintf('<circle cx="%g" cy="%g" r="%g"', $cx, $cy + $dy, $r + $grow) };
} else {
    my $bottom_gap = $shadow ? 1 : 0;
    $outline = sub { my ($grow, $dy) = @_; $dy //= 0;
        my $rr = $radius + $grow;
        $rr = 0 if $rr < 0;
        sprintf('<rect x="%g" y="%g" width="%g" height="%g" rx="%g"', 0.5 - $grow,
                0.5 - $grow + $dy, $w - 1 + 2 * $grow, $h - 1 - $bottom_gap + 2 * $grow, $rr) };
}

# ---- Pictogram -------------------------------------------------------------------------------
my $glyph_svg;
my ($gx, $gy) = ($w / 2, $h / 2 - ($shadow ? 0.5 : 0));
if ($glyph =~ /^digit:(.)$/) {
    my $c = $1;
    my $font_px = int($h * 0.62 + 0.5);
    $font_px = 20 if $font_px > 20;
    $glyph_svg = sprintf('<text x="%g" y="%g" font-family="DejaVu Sans, Liberation Sans, sans-serif"'
        . ' font-size="%d" font-weight="bold" text-anchor="middle" fill="%s">%s</text>',
        $gx, $gy + $font_px * 0.36, $font_px, $ink, $c);
} else {
    my $file = "$glyph_dir/$glyph.svg";
    open(my $fh, '<:raw', $file) or die "$0: cannot read $file: $!\n";
    local $/;
    my $text = <$fh>;
    close($fh);
    $text =~ s/<!--.*?-->//gs;
    my ($inner) = $text =~ m{<svg\b[^>]*>(.*)</svg>}s or die "$0: $file is not an SVG\n";
    my $scale = $glyph_px / 24;
    # Strokes about 1.8 pixels wide at small sizes, a little bolder on the big buttons.
    my $stroke_px = $glyph_px >= 24 ? $glyph_px / 11 : 1.8;
    my $stroke = $stroke_px / $scale;
    $glyph_svg = sprintf('<g transform="translate(%g %g) scale(%g)" color="%s" fill="none"'
        . ' stroke="currentColor" stroke-width="%g" stroke-linecap="round" stroke-linejoin="round">'
        . '%s</g>', $gx - $glyph_px / 2, $gy - $glyph_px / 2, $scale, $ink, $stroke, $inner);
}

# ---- Picture ---------------------------------------------------------------------------------
my $body = '';
# The backdrop ring: the face outline grown by 1.5 pixels, filled with the colour under the button.
# A button drawn without transparency (opaque=1) gets the backdrop over its whole picture instead,
# so no magenta is left for it to show.
$body .= $opt{opaque} ? qq{<rect x="0" y="0" width="$w" height="$h" fill="$backdrop"/>\n}
                      : $outline->(1.5) . qq{ fill="$backdrop"/>\n};
$body .= $outline->(0, 1) . qq{ fill="#0a3166" opacity="0.18"/>\n} if $shadow;
if ($extra eq 'tile') {
    $body .= $outline->(0) . qq{ fill="#ffffff" opacity="0.10" stroke="#ffffff" stroke-opacity="0.30"/>\n};
} elsif ($extra eq 'tile-strong') {
    $body .= $outline->(0) . qq{ fill="#ffffff" opacity="0.28"/>\n};
} elsif ($face ne 'none') {
    $body .= $outline->(0) . qq{ fill="$face" stroke="$border"/>\n};
    # A soft light line under the top edge gives the filled faces some depth.
    $body .= $outline->(-1.5) . qq{ fill="none" stroke="#ffffff" stroke-opacity="0.35"/>\n}
        if $border ne 'none' && $state ne 'disabled' && $shape ne 'circle' && $h >= 20;
}
$body .= $glyph_svg . "\n";

open(my $oh, '>:raw', "$output.tmp") or die "$0: cannot write $output.tmp: $!\n";
print $oh qq{<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">\n};
print $oh "<defs>\n$defs</defs>\n" if $defs;
print $oh $body, "</svg>\n";
close($oh) or die "$0: cannot write $output.tmp: $!\n";
rename("$output.tmp", $output) or die "$0: cannot write $output: $!\n";
