#!/usr/bin/env bash
# Writes the smallest Laravel application that boots on a framework package into the
# folder given as the last argument, which must not exist yet or be empty. Nothing is
# downloaded.
#
#   make-laravel-app.sh [--framework DIR] FOLDER
#
# Without --framework the application uses the system's framework (Debian's
# php-laravel-framework, found on PHP's include path: Laravel 8 here). DIR is another
# framework's include folder, such as the one scripts/fetch-laravel10 prints; it is put
# before PHP's include path.
set -euo pipefail

usage() { echo "usage: $0 [--framework DIR] FOLDER" >&2; exit 2; }
framework=
if [ "${1:-}" = --framework ]; then
  [ $# -ge 2 ] || usage
  framework=$2
  shift 2
  [ -f "$framework/Illuminate/autoload.php" ] || { echo "$0: $framework holds no framework" >&2; exit 1; }
fi
if [ $# -ne 1 ] || [ -z "$1" ]; then
  usage
fi
app=$1
if [ -e "$app" ] && [ -n "$(ls -A "$app")" ]; then
  echo "$0: $app is not empty" >&2
  exit 1
fi

mkdir -p "$app"/{app/Console,app/Exceptions,app/Http/Controllers,app/Models,app/Providers} \
         "$app"/{bootstrap/cache,config,routes,public} \
         "$app"/database/{migrations,factories,seeders} \
         "$app"/storage/{logs,app,framework/cache/data,framework/sessions,framework/views}

write() { cat > "$app/$1"; }

write artisan <<'PHP'
#!/usr/bin/env php
<?php

define('LARAVEL_START', microtime(true));

require __DIR__.'/bootstrap/autoload.php';

$app = require_once __DIR__.'/bootstrap/app.php';

$kernel = $app->make(Illuminate\Contracts\Console\Kernel::class);

$status = $kernel->handle(
    $input = new Symfony\Component\Console\Input\ArgvInput,
    new Symfony\Component\Console\Output\ConsoleOutput
);

$kernel->terminate($input, $status);

exit($status);
PHP
chmod +x "$app/artisan"

write public/index.php <<'PHP'
<?php

define('LARAVEL_START', microtime(true));

require __DIR__.'/../bootstrap/autoload.php';

$app = require_once __DIR__.'/../bootstrap/app.php';

$kernel = $app->make(Illuminate\Contracts\Http\Kernel::class);

$response = $kernel->handle(
    $request = Illuminate\Http\Request::capture()
)->send();

$kernel->terminate($request, $response);
PHP

# The framework comes from the include path; the application's classes load from the
# folders that composer.json maps, until "composer dumpautoload" writes vendor/autoload.php.
write bootstrap/autoload.php <<'PHP'
<?php

if (is_file(__DIR__.'/framework.php')) {
    require __DIR__.'/framework.php';
}
require_once 'Illuminate/autoload.php';
// Inspecting the database (db:show, model:show) takes Doctrine DBAL, which a framework
// folder of its own may leave to the system's PHP libraries.
if (!interface_exists('Doctrine\\DBAL\\Driver') && stream_resolve_include_path('Doctrine/DBAL/autoload.php')) {
    require_once 'Doctrine/DBAL/autoload.php';
}

if (is_file(__DIR__.'/../vendor/autoload.php')) {
    require __DIR__.'/../vendor/autoload.php';
    return;
}

spl_autoload_register(function ($class) {
    $folders = [
        'App\\' => 'app/',
        'Database\\Factories\\' => 'database/factories/',
        'Database\\Seeders\\' => 'database/seeders/',
    ];
    foreach ($folders as $prefix => $folder) {
        if (strncmp($class, $prefix, strlen($prefix)) === 0) {
            $file = dirname(__DIR__).'/'.$folder.str_replace('\\', '/', substr($class, strlen($prefix))).'.php';
            if (is_file($file)) {
                require $file;
            }
            return;
        }
    }
});
PHP

# Another framework goes before PHP's include path, from a file of its own.
if [ -n "$framework" ]; then
  php -r 'echo "<?php\n\nset_include_path(", var_export(realpath($argv[1]), true), " . PATH_SEPARATOR . get_include_path());\n";' \
    "$framework" > "$app/bootstrap/framework.php"
fi

write bootstrap/app.php <<'PHP'
<?php

$app = new Illuminate\Foundation\Application(
    $_ENV['APP_BASE_PATH'] ?? dirname(__DIR__)
);

$app->singleton(
    Illuminate\Contracts\Http\Kernel::class,
    App\Http\Kernel::class
);

$app->singleton(
    Illuminate\Contracts\Console\Kernel::class,
    App\Console\Kernel::class
);

$app->singleton(
    Illuminate\Contracts\Debug\ExceptionHandler::class,
    App\Exceptions\Handler::class
);

return $app;
PHP

write app/Console/Kernel.php <<'PHP'
<?php

namespace App\Console;

use Illuminate\Foundation\Console\Kernel as ConsoleKernel;

class Kernel extends ConsoleKernel
{
    protected function commands()
    {
        $this->load(__DIR__.'/Commands');

        require base_path('routes/console.php');
    }
}
PHP

write app/Http/Kernel.php <<'PHP'
<?php

namespace App\Http;

use Illuminate\Foundation\Http\Kernel as HttpKernel;

class Kernel extends HttpKernel
{
    protected $middleware = [
        \Illuminate\Foundation\Http\Middleware\PreventRequestsDuringMaintenance::class,
    ];

    protected $middlewareGroups = [
        'web' => [
            \Illuminate\Routing\Middleware\SubstituteBindings::class,
        ],
    ];
}
PHP

write app/Exceptions/Handler.php <<'PHP'
<?php

namespace App\Exceptions;

use Illuminate\Foundation\Exceptions\Handler as ExceptionHandler;

class Handler extends ExceptionHandler
{
    protected $dontFlash = ['password', 'password_confirmation'];
}
PHP

write app/Http/Controllers/Controller.php <<'PHP'
<?php

namespace App\Http\Controllers;

use Illuminate\Routing\Controller as BaseController;

class Controller extends BaseController
{
}
PHP

write app/Providers/RouteServiceProvider.php <<'PHP'
<?php

namespace App\Providers;

use Illuminate\Foundation\Support\Providers\RouteServiceProvider as ServiceProvider;
use Illuminate\Support\Facades\Route;

class RouteServiceProvider extends ServiceProvider
{
    public function boot()
    {
        $this->routes(function () {
            Route::middleware('web')->group(base_path('routes/web.php'));
        });
    }
}
PHP

write config/app.php <<'PHP'
<?php

return [
    'name' => env('APP_NAME', 'Fixture'),
    'env' => env('APP_ENV', 'production'),
    'debug' => (bool) env('APP_DEBUG', false),
    'url' => env('APP_URL', 'http://localhost'),
    'timezone' => 'UTC',
    'locale' => 'en',
    'fallback_locale' => 'en',
    'key' => env('APP_KEY'),
    'cipher' => 'AES-256-CBC',

    'providers' => [
        Illuminate\Auth\AuthServiceProvider::class,
        Illuminate\Auth\Passwords\PasswordResetServiceProvider::class,
        Illuminate\Cache\CacheServiceProvider::class,
        Illuminate\Database\DatabaseServiceProvider::class,
        Illuminate\Encryption\EncryptionServiceProvider::class,
        Illuminate\Filesystem\FilesystemServiceProvider::class,
        Illuminate\Foundation\Providers\ConsoleSupportServiceProvider::class,
        Illuminate\Foundation\Providers\FoundationServiceProvider::class,
        Illuminate\Hashing\HashServiceProvider::class,
        Illuminate\Queue\QueueServiceProvider::class,
        Illuminate\Translation\TranslationServiceProvider::class,
        Illuminate\View\ViewServiceProvider::class,
        App\Providers\RouteServiceProvider::class,
    ],

    'aliases' => [],
];
PHP

write config/auth.php <<'PHP'
<?php

return [
    'defaults' => [
        'guard' => 'web',
        'passwords' => 'users',
    ],

    'guards' => [
        'web' => [
            'driver' => 'session',
            'provider' => 'users',
        ],
    ],

    'providers' => [
        'users' => [
            'driver' => 'database',
            'table' => 'users',
        ],
    ],

    'passwords' => [
        'users' => [
            'provider' => 'users',
            'table' => 'password_resets',
            'expire' => 60,
            'throttle' => 60,
        ],
    ],
];
PHP

write config/cache.php <<'PHP'
<?php

return [
    'default' => env('CACHE_DRIVER', 'file'),

    'stores' => [
        'file' => [
            'driver' => 'file',
            'path' => storage_path('framework/cache/data'),
        ],
    ],

    'prefix' => 'fixture_cache',
];
PHP

write config/database.php <<'PHP'
<?php

return [
    'default' => env('DB_CONNECTION', 'sqlite'),

    'connections' => [
        'sqlite' => [
            'driver' => 'sqlite',
            'database' => database_path('database.sqlite'),
            'prefix' => '',
            'foreign_key_constraints' => true,
        ],
    ],

    'migrations' => 'migrations',
];
PHP

write config/logging.php <<'PHP'
<?php

return [
    'default' => env('LOG_CHANNEL', 'single'),

    'channels' => [
        'single' => [
            'driver' => 'single',
            'path' => storage_path('logs/laravel.log'),
            'level' => 'debug',
        ],
    ],
];
PHP

write config/view.php <<'PHP'
<?php

return [
    'paths' => [resource_path('views')],
    'compiled' => storage_path('framework/views'),
];
PHP

write routes/web.php <<'PHP'
<?php

use Illuminate\Support\Facades\Route;

Route::get('/', function () {
    return 'Welcome';
})->name('home');

Route::get('/greeting/{name}', function ($name) {
    return "Hello, {$name}";
})->name('greeting');

Route::post('/notes', function () {
    return response('', 201);
})->name('notes.store');

Route::get('/fail', function () {
    Illuminate\Support\Facades\Log::error('The fixture failed on purpose', ['route' => 'fail']);
    return response('Logged', 500);
})->name('fail');
PHP

write routes/console.php <<'PHP'
<?php

use Illuminate\Foundation\Inspiring;
use Illuminate\Support\Facades\Artisan;

Artisan::command('inspire', function () {
    $this->comment(Inspiring::quote());
})->purpose('Display an inspiring quote');

Artisan::command('fixture:log {message}', function ($message) {
    Illuminate\Support\Facades\Log::error($message);
})->purpose('Write an error entry into the log');

// The development processes of the project, as a framework that lists them would.
Artisan::command('dev:list {--json}', function () {
    $processes = [
        ['name' => 'Fixture mail', 'command' => 'php -S 127.0.0.1:8025 -t public'],
        ['name' => 'Fixture quotes', 'command' => 'php artisan inspire'],
    ];
    if ($this->option('json')) {
        $this->line(json_encode($processes));
        return;
    }
    foreach ($processes as $process) {
        $this->line($process['name'].': '.$process['command']);
    }
})->purpose('List the development processes of the project');
PHP

write app/Models/Note.php <<'PHP'
<?php

namespace App\Models;

use Illuminate\Database\Eloquent\Model;

class Note extends Model
{
    protected $fillable = ['title'];

    protected $hidden = ['updated_at'];

    public function siblings()
    {
        return $this->hasMany(Note::class, 'title', 'title');
    }
}
PHP

write database/migrations/2020_01_01_000000_create_notes_table.php <<'PHP'
<?php

use Illuminate\Database\Migrations\Migration;
use Illuminate\Database\Schema\Blueprint;
use Illuminate\Support\Facades\Schema;

class CreateNotesTable extends Migration
{
    public function up()
    {
        Schema::create('notes', function (Blueprint $table) {
            $table->id();
            $table->string('title');
            $table->timestamps();
        });
    }

    public function down()
    {
        Schema::dropIfExists('notes');
    }
}
PHP

write database/migrations/2020_01_01_000001_create_password_resets_table.php <<'PHP'
<?php

use Illuminate\Database\Migrations\Migration;
use Illuminate\Database\Schema\Blueprint;
use Illuminate\Support\Facades\Schema;

class CreatePasswordResetsTable extends Migration
{
    public function up()
    {
        Schema::create('password_resets', function (Blueprint $table) {
            $table->string('email')->index();
            $table->string('token');
            $table->timestamp('created_at')->nullable();
        });
    }

    public function down()
    {
        Schema::dropIfExists('password_resets');
    }
}
PHP

write database/seeders/DatabaseSeeder.php <<'PHP'
<?php

namespace Database\Seeders;

use Illuminate\Database\Seeder;
use Illuminate\Support\Facades\DB;

class DatabaseSeeder extends Seeder
{
    public function run()
    {
        DB::table('notes')->insert(['title' => 'First note']);
    }
}
PHP

: > "$app/database/database.sqlite"
mkdir -p "$app/resources/views"

write .env <<'ENV'
APP_NAME=Fixture
APP_ENV=local
APP_KEY=
APP_DEBUG=true
APP_URL=http://localhost

DB_CONNECTION=sqlite
LOG_CHANNEL=single
CACHE_DRIVER=file
ENV

write .gitignore <<'TXT'
/vendor/
/storage/*.key
.env
TXT

write composer.json <<'JSON'
{
    "name": "tarnwick/fixture-app",
    "type": "project",
    "description": "A small Laravel application for end-to-end tests.",
    "license": "MIT",
    "require": {
        "php": ">=7.3"
    },
    "autoload": {
        "psr-4": {
            "App\\": "app/",
            "Database\\Factories\\": "database/factories/",
            "Database\\Seeders\\": "database/seeders/"
        }
    },
    "config": {
        "sort-packages": true
    },
    "minimum-stability": "stable"
}
JSON
